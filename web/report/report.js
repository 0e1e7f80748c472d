// The report page: reads the run's data embedded in the page, fills the
// heading, the summary table and chart, and draws the model's exterior faces
// with three.js (the global THREE of the inlined bundle).
//
// Data (JSON in #report-data; arrays are base64 of little-endian values):
//   surface.nodes      Int32   node number of each surface node
//   surface.xyz        Float32 undeformed x, y, z per surface node
//   surface.faces      Uint32  4 surface nodes per exterior face (a triangle
//                              repeats its last corner)
//   surface.face_zones Int32   zone of each face
//   surface.springs    Uint32  2 surface nodes per spring
//   surface.elements   Int32   ascending, the elements that have an exterior
//                              face
//   surface.face_elements Uint32 per face, its element's index in elements
//   steps[k]           the steps the 3D view holds, in any order:
//     .step            its number
//     .q               Uint16  per surface node: dx, dy, dz (3n), then XX, YY,
//                              ZZ, XY, YZ, ZX (6n), effective stress (n),
//                              temperature (n); code q of channel c stands for
//                              lo[c] + (hi[c] - lo[c]) * q / 65535
//     .lo, .hi         the 11 channels' lowest and highest value in the step
//     .peaks           per quantity key (and "ip"): [number, value, x, y, z,
//                              dx, dy, dz], the node (element for "ip") of the
//                              step's largest value over the whole model, the
//                              exact value, the undeformed place (centroid)
//                              and the displacement (of the corners, mean);
//                              number 0: none
//     .eq              Uint16  per surface element: its largest
//                              integration-point effective stress, code q
//                              for elo + (ehi - elo) * q / 65535
//     .elo, .ehi       their lowest and highest value in the step
//   summary            header and rows of summary.csv, or null
//   history            header and rows of history.csv (--history), every
//                      step, or absent
//   view_steps         only when the 3D view holds fewer steps than the
//                      summary: {kept: K, of: N, budget_mb: B}
//   analysis           only while the run follows an analysis still running
//                      or for one that stopped early: {steps: K, announced: N,
//                      running}; steps holds the K steps in, counts.steps N
//
// The page tells tests and tools where it is through <html data-state>:
// "loading", then "ready" once the first frame is drawn (data-step the shown
// step, 0 without steps; data-camera the camera's position and target, six
// numbers), or "error" with data-message when the 3D view cannot start;
// data-analysis is "running" or "stopped" when the data has an analysis.
// The chart says what it shows through #chart's data-subject ("peaks",
// "node:17", "element:5", "spring:2") and data-source ("summary", "steps"
// for the 16-bit values of the steps the page holds, "history" for
// history.csv's); each line is an <svg polyline> with data-key (its
// quantity: "max_effective_stress", "max_displacement", a colour-by key,
// "ip", "force", "deflection"), data-label, and data-steps and data-values,
// comma-separated (values as String(v) gives them, full precision).
//
// A running analysis' page reloads itself every RELOAD_SECONDS, since the run
// replaces the file after each step. The reader's view (step, quantity, colour
// range, warp, edges, camera) is kept in sessionStorage while the page goes
// and taken back when it comes again through a reload; the page written when
// the analysis ends takes it back once more, then forgets it.
(function () {
  'use strict';

  const root = document.documentElement;
  const $ = (id) => document.getElementById(id);

  function setError(message) {
    root.dataset.state = 'error';
    root.dataset.message = message;
    const notice = $('notice');
    notice.textContent = message;
    notice.hidden = false;
  }

  // ------------------------------------------------------------ data

  const base64Values = new Uint8Array(128).fill(255);
  'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/'
    .split('').forEach((c, i) => { base64Values[c.charCodeAt(0)] = i; });

  function decodeBase64(text) {
    let size = text.length / 4 * 3;
    if (text.endsWith('==')) size -= 2; else if (text.endsWith('=')) size -= 1;
    const bytes = new Uint8Array(size);
    let o = 0;
    for (let i = 0; i < text.length; i += 4) {
      const v = base64Values[text.charCodeAt(i)] << 18 | base64Values[text.charCodeAt(i + 1)] << 12 |
        (base64Values[text.charCodeAt(i + 2)] & 63) << 6 | (base64Values[text.charCodeAt(i + 3)] & 63);
      if (o < size) bytes[o++] = v >> 16;
      if (o < size) bytes[o++] = (v >> 8) & 255;
      if (o < size) bytes[o++] = v & 255;
    }
    return bytes.buffer;
  }

  const data = JSON.parse($('report-data').textContent);
  const surface = {
    nodes: new Int32Array(decodeBase64(data.surface.nodes)),
    xyz: new Float32Array(decodeBase64(data.surface.xyz)),
    faces: new Uint32Array(decodeBase64(data.surface.faces)),
    faceZones: new Int32Array(decodeBase64(data.surface.face_zones)),
    springs: new Uint32Array(decodeBase64(data.surface.springs)),
    elements: new Int32Array(decodeBase64(data.surface.elements || '')),
    faceElements: new Uint32Array(decodeBase64(data.surface.face_elements || '')),
  };
  const n = surface.nodes.length;
  // The 3D view's steps in step order; their base64 text is let go once
  // decoded (a long analysis' page holds tens of megabytes of it).
  const steps = data.steps.map((s) => {
    const step = { step: Number(s.step), lo: s.lo.map(Number), hi: s.hi.map(Number),
      q: new Uint16Array(decodeBase64(s.q)), peaks: s.peaks || {},
      elo: Number(s.elo), ehi: Number(s.ehi), eq: s.eq ? new Uint16Array(decodeBase64(s.eq)) : null };
    s.q = null;
    s.eq = null;
    return step;
  }).sort((a, b) => a.step - b.step);
  const analysis = data.analysis || null;
  const following = Boolean(analysis && analysis.running === true);

  // Where channel c (0..10) of surface node i lies in a step's values.
  const CHANNELS = 11;
  const slot = (c, i) => (c < 3 ? 3 * i + c : c < 9 ? 3 * n + 6 * i + (c - 3) : c * n + i);
  // A 16-bit code of [low, high] as the program decodes it (the top code is
  // high itself).
  const decodeFraction = (low, high, code) => (code === 65535 ? high : low + (high - low) * code / 65535);
  const decodeCode = (step, c, code) => decodeFraction(step.lo[c], step.hi[c], code);

  // A step's values as doubles, in the layout of its codes.
  function decodeStep(step, into) {
    const { q } = step;
    for (let i = 0; i < n; i++) {
      for (let c = 0; c < 3; c++) into[3 * i + c] = decodeCode(step, c, q[3 * i + c]);
      for (let c = 3; c < 9; c++) into[slot(c, i)] = decodeCode(step, c, q[slot(c, i)]);
      into[9 * n + i] = decodeCode(step, 9, q[9 * n + i]);
      into[10 * n + i] = decodeCode(step, 10, q[10 * n + i]);
    }
    return into;
  }
  // The values of step k, decoded once while it is shown (a long analysis
  // keeps only the 16-bit codes of the others).
  const shownValues = { index: -1, values: new Float64Array(CHANNELS * n) };
  function stepValues(k) {
    if (shownValues.index !== k) {
      decodeStep(steps[k], shownValues.values);
      shownValues.index = k;
    }
    return shownValues.values;
  }

  // The quantities a user can colour by: key (that of the step's peaks),
  // unit-free label, the channel when it is one, and the value of surface
  // node i in a step's decoded values.
  const channelQuantity = (key, label, c) => ({ key, label, channel: c, value: (v, i) => v[slot(c, i)] });
  const quantities = [
    channelQuantity('mises', 'effective stress', 9),
    channelQuantity('xx', 'stress XX', 3),
    channelQuantity('yy', 'stress YY', 4),
    channelQuantity('zz', 'stress ZZ', 5),
    channelQuantity('xy', 'stress XY', 6),
    channelQuantity('yz', 'stress YZ', 7),
    channelQuantity('zx', 'stress ZX', 8),
    { key: 'displacement', label: 'displacement magnitude',
      value: (v, i) => Math.hypot(v[3 * i], v[3 * i + 1], v[3 * i + 2]) },
    channelQuantity('temperature', 'temperature', 10),
  ];

  // A step's peak of a quantity (key of quantities, or "ip"), or null.
  function peakOf(step, key) {
    const p = step.peaks[key];
    if (!Array.isArray(p) || p.length < 8 || !(Number(p[0]) > 0)) return null;
    const [number, value, x, y, z, dx, dy, dz] = p.map(Number);
    return { number, value, xyz: [x, y, z], displacement: [dx, dy, dz] };
  }

  // ------------------------------------------------------------ following a running analysis

  // How often the page of a running analysis reloads itself.
  const RELOAD_SECONDS = 5;

  // The key of this report's saved view: its path, so that reports of other
  // folders opened in the same tab keep theirs apart.
  const viewKey = 'meridian-report-view:' + location.pathname;

  // The view saved before this page was reloaded, or null. Only a following
  // page keeps the entry; any other takes it (once) and removes it.
  function takeSavedView() {
    try {
      const reloaded = performance.getEntriesByType('navigation').some((entry) => entry.type === 'reload');
      const text = sessionStorage.getItem(viewKey);
      if (!following) sessionStorage.removeItem(viewKey);
      const saved = reloaded && text ? JSON.parse(text) : null;
      return saved && typeof saved === 'object' ? saved : null;
    } catch (error) {
      return null;  // no storage, or an entry not ours: the page opens as new
    }
  }
  const savedView = takeSavedView();

  // Set by the 3D view once it runs: the camera as plain numbers.
  let cameraNow = null;

  function saveView() {
    const state = {
      // null: the newest step, whichever it is after the reload
      step: steps.length && view.stepChosen ? steps[view.stepIndex].step : null,
      quantity: view.quantity.key,
      range: view.range,
      ipPeak: $('ip-peak').checked,
      warp: $('warp').value,
      edges: $('edges').checked,
      camera: cameraNow ? cameraNow() : null,
      chart: chartSubject,
    };
    try {
      sessionStorage.setItem(viewKey, JSON.stringify(state));
    } catch (error) {
      // no storage: the reload opens the page as new
    }
  }

  // A reload waits while the reader holds the camera (a drag, a pinch).
  let cameraHeld = false;
  let reloadDue = false;
  function reloadPage() {
    saveView();
    location.reload();
  }
  function reloadWhenFree() {
    if (cameraHeld) reloadDue = true; else reloadPage();
  }
  function holdCamera(held) {
    cameraHeld = held;
    if (!held && reloadDue) reloadPage();
  }

  // ------------------------------------------------------------ heading

  const plural = (count, word) => (count === 1 ? word : word + 's');

  function fillAnalysis() {
    if (!analysis) return;
    const k = Number(analysis.steps), n = Number(analysis.announced);
    const notice = $('analysis');
    notice.textContent = following
      ? `The analysis is still running: ${k} of the ${n} announced ${plural(n, 'step')} ` +
        `${k === 1 ? 'is' : 'are'} in; this page reloads every ${RELOAD_SECONDS} s.`
      : analysis.not_numbers
        ? `The analysis stopped at step ${k + 1} of the ${n} announced: it holds values that are ` +
          `not numbers (a diverged analysis); the page holds the ${k} complete ${plural(k, 'step')}.`
        : `The analysis stopped after ${k} of the ${n} announced ${plural(n, 'step')}.`;
    notice.classList.add(following ? 'running' : 'stopped');
    notice.hidden = false;
    root.dataset.analysis = following ? 'running' : 'stopped';
  }

  function fillHeading() {
    const title = data.title || 'MERIDIAN report';
    $('title').textContent = title;
    document.title = title + ' \u2014 MERIDIAN report';
    $('subtitle').textContent = 'Job ' + data.job + ' \u00b7 meridian ' + data.version;
    const labels = [['nodes', 'nodes'], ['elements', 'elements'], ['zones', 'zones'],
      ['materials', 'materials'], ['interfaces', 'interfaces'], ['springs', 'springs'],
      ['load_cases', 'load cases'], ['steps', 'steps']];
    const list = $('counts');
    for (const [key, label] of labels) {
      const item = document.createElement('div');
      const dt = document.createElement('dt');
      dt.textContent = label;
      const dd = document.createElement('dd');
      // Of an analysis not complete, the steps in out of those announced.
      dd.textContent = key === 'steps' && analysis
        ? `${analysis.steps} of ${analysis.announced} announced` : String(data.counts[key]);
      item.append(dt, dd);
      list.append(item);
    }
  }

  // ------------------------------------------------------------ table and chart

  // The summary's rows as summary.csv writes them: the cells keep its text.
  const summaryRows = data.summary ? data.summary.rows.map((row) => row.split(',')) : [];

  // summary.csv byte for byte: its header and rows, each ended with CR LF.
  const summaryCsv = () => [data.summary.header, ...data.summary.rows].map((row) => row + '\r\n').join('');

  // A number to read: six significant digits, no trailing zeros, plain from
  // 1e-4 up to (not including) 1e6 and in exponent form outside.
  function sixDigits(value) {
    if (!Number.isFinite(value)) return String(value);
    if (value === 0) return '0';
    const rounded = Number(value.toPrecision(6));
    const magnitude = Math.abs(rounded);
    return magnitude >= 1e6 || magnitude < 1e-4 ? rounded.toExponential() : String(rounded);
  }

  // Set by the 3D view once it runs: shows the given step number, if held.
  let showStepNumber = null;

  function downloadSummary() {
    const url = URL.createObjectURL(new Blob([summaryCsv()], { type: 'text/csv' }));
    const link = Object.assign(document.createElement('a'), { href: url, download: 'summary.csv' });
    document.body.append(link);
    link.click();
    link.remove();
    // The download has its bytes by then; the URL goes with the page anyway.
    setTimeout(() => URL.revokeObjectURL(url), 60000);
  }

  function fillTable() {
    const table = $('summary');
    if (!data.summary) {
      $('no-steps').hidden = false;
      $('table-section').hidden = true;
      return;
    }
    if (summaryRows.length === 0) {
      if (analysis) {
        $('no-steps').textContent = (following ? 'No time step is in yet' : 'The analysis stopped before its first time step') +
          ': the view shows the undeformed model coloured by zone.';
      }
      $('no-steps').hidden = false;
    }
    const head = table.createTHead().insertRow();
    const names = data.summary.header.split(',');
    for (const name of names) {
      const th = document.createElement('th');
      th.textContent = name;
      head.append(th);
    }
    // Steps, nodes and elements are shown as written; reals to six digits,
    // with summary.csv's text as the cell's title.
    const whole = names.map((name) => name === 'step' || /_(node|element)$/.test(name));
    const held = new Set(data.steps.map((s) => Number(s.step)));
    const body = table.createTBody();
    for (const cells of summaryRows) {
      const row = body.insertRow();
      row.dataset.step = cells[0];
      row.tabIndex = 0;
      if (data.view_steps && !held.has(Number(cells[0]))) row.classList.add('not-held');
      cells.forEach((cell, k) => {
        const td = row.insertCell();
        if (whole[k]) {
          td.textContent = cell;
        } else {
          td.textContent = sixDigits(Number(cell));
          td.title = cell;
        }
      });
    }
    // A row shows its step in the 3D view.
    const follow = (event) => {
      const row = event.target.closest('tr[data-step]');
      if (row && showStepNumber) showStepNumber(Number(row.dataset.step));
    };
    body.addEventListener('click', follow);
    body.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter' && event.key !== ' ') return;
      event.preventDefault();
      follow(event);
    });
    $('download-csv').hidden = false;
    $('download-csv').addEventListener('click', downloadSummary);
  }

  // Which steps the 3D view holds, when not every step of the summary.
  function fillViewSteps() {
    const held = data.view_steps;
    if (!held || !data.summary) return;
    const numbers = steps.map((s) => s.step);
    const named = numbers.length > 12 ? [...numbers.slice(0, 10), '\u2026', numbers[numbers.length - 1]] : numbers;
    $('view-steps').textContent = `The 3D view holds ${held.kept} of the ${held.of} steps ` +
      `(${plural(numbers.length, 'step')} ${named.join(', ')}) to keep this page under ${Number(held.budget_mb)} MB; ` +
      'the table and chart hold every step.';
    $('view-steps').hidden = false;
  }

  const svgNS = 'http://www.w3.org/2000/svg';
  function svg(name, attributes, parent) {
    const element = document.createElementNS(svgNS, name);
    for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
    if (parent) parent.append(element);
    return element;
  }

  // Round tick values over [low, high].
  function ticks(low, high, count) {
    if (!(high > low)) return [low];
    const rough = (high - low) / count;
    const magnitude = Math.pow(10, Math.floor(Math.log10(rough)));
    const step = [1, 2, 5, 10].map((f) => f * magnitude).find((s) => s >= rough);
    const values = [];
    for (let v = Math.ceil(low / step) * step; v <= high + step * 1e-9; v += step) values.push(v);
    return values;
  }

  function formatNumber(value) {
    if (value === 0) return '0';
    const magnitude = Math.abs(value);
    if (magnitude >= 1e5 || magnitude < 1e-3) return value.toExponential(2);
    return String(Number(value.toPrecision(4)));
  }

  // ------------------------------------------------------------ histories

  // history.csv (--history) as cells, and its items in its order: "node:17",
  // "element:5", "spring:2".
  const history = data.history ? {
    columns: new Map(data.history.header.split(',').map((name, k) => [name, k])),
    rows: data.history.rows.map((row) => row.split(',')),
  } : null;
  const firstColumn = { node: 'x_displacement', element: 'ip1_stress_xx', spring: 'deflection' };
  const historyItems = history ? [...history.columns.keys()].flatMap((name) => {
    const match = /^(node|element|spring)_(\d+)_(\w+)$/.exec(name);
    return match && firstColumn[match[1]] === match[3] ? [`${match[1]}:${match[2]}`] : [];
  }) : [];
  const historyColumn = (name) => {
    const k = history.columns.get(name);
    return history.rows.map((row) => Number(row[k]));
  };
  // The column of a node's colour-by quantity in history.csv.
  const historyName = (key) => ({ mises: 'effective_stress', displacement: 'displacement',
    temperature: 'temperature' })[key] || 'stress_' + key;

  // A quantity of surface node i in a step, from its 16-bit codes.
  const nodeValue = (step, quantity, i) => (quantity.channel !== undefined
    ? decodeCode(step, quantity.channel, step.q[slot(quantity.channel, i)])
    : Math.hypot(...[0, 1, 2].map((c) => decodeCode(step, c, step.q[slot(c, i)]))));

  // What the chart shows of a subject ("peaks", "node:N", "element:N",
  // "spring:N"): its title, where the values come from, the steps, one or
  // two lines (the first on the left axis, the second on the right) and a
  // note when it leaves steps out; null when the page has no such history.
  // history.csv's exact values go before the 16-bit ones of the held steps.
  function chartContent(subject) {
    if (subject === 'peaks') {
      if (!summaryRows.length) return null;
      const column = (k) => summaryRows.map((r) => Number(r[k]));
      return { title: 'Peaks per step', source: 'summary', steps: column(0), lines: [
        { key: 'max_effective_stress', label: 'max effective stress', values: column(3) },
        { key: 'max_displacement', label: 'max displacement', values: column(1) }] };
    }
    const [kind, number] = subject.split(':');
    const named = `History of ${kind} ${number}`;
    const quantity = view.quantity;
    const magnitude = quantities.find((q) => q.key === 'displacement');
    const lines = [];
    if (historyItems.includes(subject)) {
      const column = (name) => historyColumn(`${kind}_${number}_${name}`);
      if (kind === 'node') {
        lines.push({ key: quantity.key, label: quantity.label, values: column(historyName(quantity.key)) });
        if (quantity !== magnitude) lines.push({ key: 'displacement', label: magnitude.label, values: column('displacement') });
      } else if (kind === 'element') {
        const points = [1, 2, 3, 4, 5, 6, 7, 8].map((k) => column(`ip${k}_effective_stress`));
        lines.push({ key: 'ip', label: 'integration-point peak', values: points[0].map((v, r) => Math.max(...points.map((p) => p[r]))) });
      } else {
        lines.push({ key: 'force', label: 'force', values: column('force') },
          { key: 'deflection', label: 'deflection', values: column('deflection') });
      }
      return { title: `${named}: history.csv, exact`, source: 'history', steps: historyColumn('step'), lines };
    }
    if (!steps.length) return null;
    if (kind === 'node') {
      const i = surface.nodes.indexOf(Number(number));
      if (i < 0) return null;
      lines.push({ key: quantity.key, label: quantity.label, values: steps.map((s) => nodeValue(s, quantity, i)) });
      if (quantity !== magnitude) lines.push({ key: 'displacement', label: magnitude.label, values: steps.map((s) => nodeValue(s, magnitude, i)) });
    } else if (kind === 'element') {
      const e = surface.elements.indexOf(Number(number));
      if (e < 0 || steps.some((s) => !s.eq)) return null;
      lines.push({ key: 'ip', label: 'integration-point peak', values: steps.map((s) => decodeFraction(s.elo, s.ehi, s.eq[e])) });
    } else {
      return null;
    }
    const held = data.view_steps;
    return { title: `${named}: the page's 16-bit values`, source: 'steps', steps: steps.map((s) => s.step), lines,
      note: held ? `This page holds ${held.kept} of the ${held.of} steps (to stay under ${Number(held.budget_mb)} MB): ` +
        'the history shows those steps only.' : '' };
  }

  // The chart's subject; peaks per step unless the reader chose a history.
  let chartSubject = savedView && typeof savedView.chart === 'string' ? savedView.chart : 'peaks';
  function showChart(subject) {
    chartSubject = subject;
    drawChart();
  }

  // The history select of history.csv's items, and the way back to the peaks.
  function fillHistoryChoice() {
    $('chart-peaks').addEventListener('click', () => showChart('peaks'));
    if (!historyItems.length || !summaryRows.length) return;
    const select = $('history-item');
    select.add(new Option('peaks per step', 'peaks'));
    for (const item of historyItems) select.add(new Option(item.replace(':', ' '), item));
    select.addEventListener('change', () => showChart(select.value));
    $('history-choice').hidden = false;
  }

  // The chart of the subject's lines against the step, with its title.
  function drawChart() {
    const host = $('chart');
    let content = chartContent(chartSubject);
    if (!content) {
      chartSubject = 'peaks';
      content = chartContent(chartSubject);
    }
    host.replaceChildren();
    if (!content) { host.hidden = true; return; }
    host.dataset.subject = chartSubject;
    host.dataset.source = content.source;
    $('chart-title').textContent = content.title;
    $('chart-note').textContent = content.note || '';
    $('chart-note').hidden = !content.note;
    $('chart-peaks').hidden = chartSubject === 'peaks';
    const select = $('history-item');
    select.value = chartSubject;
    if (select.value !== chartSubject) select.selectedIndex = -1;

    const width = 520, height = 240, left = 62, right = 62, top = 28, bottom = 34;
    const chart = svg('svg', { viewBox: `0 0 ${width} ${height}`, role: 'img',
      'aria-label': content.lines.map((line) => line.label).join(' and ') + ' against the step' }, host);
    const stepsX = content.steps;
    const x0 = Math.min(...stepsX), x1 = Math.max(...stepsX);
    const xOf = (s) => left + (x1 > x0 ? (s - x0) / (x1 - x0) : 0.5) * (width - left - right);
    svg('line', { x1: left, y1: height - bottom, x2: width - right, y2: height - bottom, stroke: '#888' }, chart);
    for (const s of ticks(x0, x1, Math.min(8, Math.max(1, x1 - x0)))) {
      if (!Number.isInteger(s)) continue;
      const x = xOf(s);
      svg('line', { x1: x, y1: height - bottom, x2: x, y2: height - bottom + 4, stroke: '#888' }, chart);
      svg('text', { x, y: height - bottom + 16, 'text-anchor': 'middle' }, chart).textContent = String(s);
    }
    svg('text', { x: (left + width - right) / 2, y: height - 4, 'text-anchor': 'middle' }, chart).textContent = 'step';
    content.lines.forEach((line, k) => {
      const colour = k === 0 ? '#c0392b' : '#2563a8';
      const side = k === 0 ? 'left' : 'right';
      const { values } = line;
      const finite = values.filter(Number.isFinite);
      let low = Math.min(0, ...finite), high = Math.max(0, ...finite);
      if (!(high > low)) high = low + 1;
      const yOf = (v) => height - bottom - (v - low) / (high - low) * (height - top - bottom);
      const axisX = side === 'left' ? left : width - right;
      svg('line', { x1: axisX, y1: top, x2: axisX, y2: height - bottom, stroke: colour }, chart);
      for (const v of ticks(low, high, 4)) {
        const y = yOf(v);
        const outward = side === 'left' ? -4 : 4;
        svg('line', { x1: axisX, y1: y, x2: axisX + outward, y2: y, stroke: colour }, chart);
        svg('text', { x: axisX + outward * 1.5, y: y + 4, 'text-anchor': side === 'left' ? 'end' : 'start',
          fill: colour }, chart).textContent = formatNumber(v);
      }
      const shown = values.map((v, i) => [xOf(stepsX[i]), yOf(v)]).filter(([, y]) => Number.isFinite(y));
      svg('polyline', { points: shown.map((p) => p.join(',')).join(' '), fill: 'none', stroke: colour, 'stroke-width': 2,
        'data-key': line.key, 'data-label': line.label, 'data-steps': stepsX.join(','),
        'data-values': values.map(String).join(',') }, chart);
      for (const [cx, cy] of shown) svg('circle', { cx, cy, r: 3, fill: colour }, chart);
      const legendX = left + k * 200;
      svg('rect', { x: legendX, y: 8, width: 12, height: 3, fill: colour }, chart);
      svg('text', { x: legendX + 16, y: 13 }, chart).textContent = line.label;
    });
  }

  // ------------------------------------------------------------ colours

  // Turbo (Google's rainbow-like map), polynomial fit by its authors; x in [0, 1].
  function turbo(x) {
    x = Math.min(1, Math.max(0, x));
    const r = 0.13572138 + x * (4.61539260 + x * (-42.66032258 + x * (132.13108234 + x * (-152.94239396 + x * 59.28637943))));
    const g = 0.09140261 + x * (2.19418839 + x * (4.84296658 + x * (-14.18503333 + x * (4.27729857 + x * 2.82956604))));
    const b = 0.10667330 + x * (12.64194608 + x * (-60.58204836 + x * (110.36276771 + x * (-89.90310912 + x * 27.34824973))));
    return [Math.min(1, Math.max(0, r)), Math.min(1, Math.max(0, g)), Math.min(1, Math.max(0, b))];
  }

  const zonePalette = ['#4e79a7', '#f28e2b', '#59a14f', '#e15759', '#76b7b2', '#edc948', '#b07aa1', '#ff9da7', '#9c755f', '#bab0ac'];

  // ------------------------------------------------------------ 3D view

  // The step #step= names (NaN without one) and its index among the view's
  // steps (-1 when it holds no such step).
  const hashNumber = () => {
    const match = /(?:^#|&)step=(-?\d+)/.exec(location.hash);
    return match ? Number(match[1]) : NaN;
  };
  const hashIndex = () => steps.findIndex((s) => s.step === hashNumber());
  const hashStep = () => Math.max(hashIndex(), 0);

  // The step shown first: the one the reader chose before a reload or names
  // in #step=; else the newest of an analysis not complete (or of one the
  // reader followed up to its end), the first of a complete one.
  function firstStep() {
    const newest = Math.max(steps.length - 1, 0);
    if (savedView) {
      const index = steps.findIndex((s) => s.step === savedView.step);
      if (index >= 0) return { index, chosen: true };
      if (savedView.step === null) return { index: newest, chosen: false };
    }
    const named = hashIndex();
    if (named >= 0) return { index: named, chosen: true };
    return { index: analysis ? newest : 0, chosen: false };
  }

  const first = firstStep();
  const view = {
    stepIndex: first.index,
    stepChosen: first.chosen,  // by the reader; else a following page shows the newest
    warp: data.warp,
    quantity: (savedView && quantities.find((q) => q.key === savedView.quantity)) || quantities[0],
    range: savedView && savedView.range === 'step' ? 'step' : 'all',
  };

  function startView() {
    const canvas = $('canvas');
    const attributes = { antialias: true, preserveDrawingBuffer: true };
    let gl = null;
    try {
      gl = canvas.getContext('webgl2', attributes);
    } catch (error) {
      gl = null;
    }
    if (!gl) {
      setError('The 3D view cannot start: this browser offers no WebGL 2. The summary table and chart are still shown.');
      return;
    }
    if (typeof THREE === 'undefined') {
      setError('The 3D view cannot start: its library is missing from the page.');
      return;
    }
    // Colours go to the screen as given (the map's and the zones' sRGB values),
    // without three.js's conversions to and from linear light.
    THREE.ColorManagement.enabled = false;
    const renderer = new THREE.WebGLRenderer({ canvas, context: gl, antialias: true });
    renderer.outputColorSpace = THREE.LinearSRGBColorSpace;
    renderer.setPixelRatio(window.devicePixelRatio || 1);
    renderer.setClearColor(0xe9ecf0, 1);

    const scene = new THREE.Scene();
    const camera = new THREE.PerspectiveCamera(35, 1, 0.001, 1000);
    scene.add(camera);
    // Mostly ambient light, so colours stay those of the map: three.js divides
    // the lights' irradiance by pi, hence intensities of about 0.7 pi and
    // 0.35 pi (faces towards the light at 1.05 of their colour, at most).
    scene.add(new THREE.AmbientLight(0xffffff, 2.2));
    const light = new THREE.DirectionalLight(0xffffff, 1.1);
    light.position.set(0.4, 0.6, 1);
    camera.add(light);

    // Triangles of the faces, one vertex per corner (faces do not share
    // vertices, so zones can colour faces apart).
    const triangleNodes = [];
    for (let f = 0; f < surface.faces.length / 4; f++) {
      const [a, b, c, d] = surface.faces.subarray(4 * f, 4 * f + 4);
      triangleNodes.push(a, b, c);
      if (d !== c) triangleNodes.push(a, c, d);
    }
    const vertexNode = Uint32Array.from(triangleNodes);
    const vertexFace = new Uint32Array(vertexNode.length);
    for (let f = 0, v = 0; f < surface.faces.length / 4; f++) {
      const triangles = surface.faces[4 * f + 3] !== surface.faces[4 * f + 2] ? 2 : 1;
      vertexFace.fill(f, v, v + 3 * triangles);
      v += 3 * triangles;
    }
    const geometry = new THREE.BufferGeometry();
    const positions = new THREE.BufferAttribute(new Float32Array(vertexNode.length * 3), 3);
    const colours = new THREE.BufferAttribute(new Float32Array(vertexNode.length * 3), 3);
    geometry.setAttribute('position', positions);
    geometry.setAttribute('color', colours);
    const material = new THREE.MeshLambertMaterial({ vertexColors: true, side: THREE.DoubleSide,
      flatShading: true, polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 });
    const mesh = new THREE.Mesh(geometry, material);
    scene.add(mesh);

    // The faces' edges, each once.
    const edgeKeys = new Set();
    const edgeEnds = [];
    for (let f = 0; f < surface.faces.length / 4; f++) {
      const corners = surface.faces.subarray(4 * f, 4 * f + 4);
      for (let k = 0; k < 4; k++) {
        const a = corners[k], b = corners[(k + 1) % 4];
        if (a === b) continue;
        const key = a < b ? a * n + b : b * n + a;
        if (edgeKeys.has(key)) continue;
        edgeKeys.add(key);
        edgeEnds.push(a, b);
      }
    }
    const lineSet = (ends, colour) => {
      const lines = new THREE.BufferGeometry();
      lines.setAttribute('position', new THREE.BufferAttribute(new Float32Array(ends.length * 3), 3));
      const object = new THREE.LineSegments(lines, new THREE.LineBasicMaterial({ color: colour }));
      object.userData.ends = ends;
      scene.add(object);
      return object;
    };
    const edges = lineSet(Uint32Array.from(edgeEnds), 0x2a2f36);
    const springs = lineSet(surface.springs, 0x7a1fa2);

    const displaced = new Float32Array(3 * n);
    function placeNodes() {
      const values = steps.length ? stepValues(view.stepIndex) : null;
      for (let i = 0; i < 3 * n; i++) displaced[i] = surface.xyz[i] + (values ? view.warp * values[i] : 0);
      const put = (attribute, nodes) => {
        const array = attribute.array;
        for (let v = 0; v < nodes.length; v++) {
          const i = nodes[v];
          array[3 * v] = displaced[3 * i];
          array[3 * v + 1] = displaced[3 * i + 1];
          array[3 * v + 2] = displaced[3 * i + 2];
        }
        attribute.needsUpdate = true;
      };
      put(positions, vertexNode);
      put(edges.geometry.attributes.position, edges.userData.ends);
      put(springs.geometry.attributes.position, springs.userData.ends);
      geometry.computeBoundingSphere();
      edges.geometry.computeBoundingSphere();
      springs.geometry.computeBoundingSphere();
    }

    // The colour range of a quantity over the nodes of the faces (not the
    // ground nodes of springs) in one step or all. A channel's extremes are
    // those of its codes (the decoding keeps their order), so steps not
    // shown are not decoded.
    const onFaces = [...new Set(surface.faces)];
    const scratch = new Float64Array(CHANNELS * n);
    function valueRange(quantity, indices) {
      let low = Infinity, high = -Infinity;
      for (const k of indices) {
        const step = steps[k];
        if (quantity.channel !== undefined) {
          let lowest = 65535, highest = 0;
          for (const i of onFaces) {
            const code = step.q[slot(quantity.channel, i)];
            if (code < lowest) lowest = code;
            if (code > highest) highest = code;
          }
          if (onFaces.length === 0) continue;
          low = Math.min(low, decodeCode(step, quantity.channel, lowest));
          high = Math.max(high, decodeCode(step, quantity.channel, highest));
          continue;
        }
        const values = k === view.stepIndex ? stepValues(k) : decodeStep(step, scratch);
        for (const i of onFaces) {
          const v = quantity.value(values, i);
          if (v < low) low = v;
          if (v > high) high = v;
        }
      }
      return [low, high];
    }
    const allRanges = new Map();
    function currentRange() {
      if (view.range === 'step') return valueRange(view.quantity, [view.stepIndex]);
      if (!allRanges.has(view.quantity.key)) {
        allRanges.set(view.quantity.key, valueRange(view.quantity, steps.map((s, k) => k)));
      }
      return allRanges.get(view.quantity.key);
    }

    function paint() {
      const array = colours.array;
      if (!steps.length) {
        const zoneColours = zonePalette.map((c) => new THREE.Color(c));
        for (let v = 0; v < vertexNode.length; v++) {
          const colour = zoneColours[(surface.faceZones[vertexFace[v]] - 1) % zoneColours.length];
          array[3 * v] = colour.r; array[3 * v + 1] = colour.g; array[3 * v + 2] = colour.b;
        }
        colours.needsUpdate = true;
        return;
      }
      const [low, high] = currentRange();
      const span = high > low ? high - low : 1;
      const values = stepValues(view.stepIndex);
      const nodeColour = new Float32Array(3 * n);
      for (let i = 0; i < n; i++) nodeColour.set(turbo((view.quantity.value(values, i) - low) / span), 3 * i);
      for (let v = 0; v < vertexNode.length; v++) {
        const i = vertexNode[v];
        array[3 * v] = nodeColour[3 * i]; array[3 * v + 1] = nodeColour[3 * i + 1]; array[3 * v + 2] = nodeColour[3 * i + 2];
      }
      colours.needsUpdate = true;
      drawColourBar(low, high);
    }

    function drawColourBar(low, high) {
      $('colorbar').hidden = false;
      $('colorbar-title').textContent = view.quantity.label;
      const stops = [];
      for (let k = 0; k <= 10; k++) {
        const [r, g, b] = turbo(1 - k / 10);
        stops.push(`rgb(${Math.round(r * 255)},${Math.round(g * 255)},${Math.round(b * 255)}) ${k * 10}%`);
      }
      $('colorbar-ramp').style.background = `linear-gradient(${stops.join(',')})`;
      const tickBox = $('colorbar-ticks');
      tickBox.replaceChildren();
      for (let k = 0; k <= 4; k++) {
        const label = document.createElement('span');
        label.style.top = `${k * 25}%`;
        label.textContent = formatNumber(high - (high - low) * k / 4);
        tickBox.append(label);
      }
      const lines = [];
      if (marks.node.peak) lines.push(`peak: node ${marks.node.peak.number}, ${sixDigits(marks.node.peak.value)}`);
      if (marks.ip.peak) lines.push(`integration-point peak: element ${marks.ip.peak.number}, ${sixDigits(marks.ip.peak.value)}`);
      $('colorbar-peak').replaceChildren(...lines.map((line) => {
        const item = document.createElement('div');
        item.textContent = line;
        return item;
      }));
    }

    // The marks of the shown step's peaks: of the quantity shown (a node),
    // and of the integration-point effective stress (an element) while the
    // effective stress is shown and the reader wants it. Each is a small
    // cross in the scene, drawn over the faces (a peak may lie inside the
    // model), and a ring with its label over the canvas, placed where the
    // cross projects.
    const crossSize = () => {
      const box = new THREE.Box3().setFromArray(surface.xyz.length ? surface.xyz : [0, 0, 0]);
      const radius = box.getBoundingSphere(new THREE.Sphere()).radius;
      return (radius > 0 ? radius : 1) * 0.04;
    };
    const cross = (colour) => {
      const object = new THREE.LineSegments(new THREE.BufferGeometry(),
        new THREE.LineBasicMaterial({ color: colour, depthTest: false, depthWrite: false }));
      const h = crossSize();
      object.geometry.setAttribute('position', new THREE.BufferAttribute(Float32Array.from(
        [-h, 0, 0, h, 0, 0, 0, -h, 0, 0, h, 0, 0, 0, -h, 0, 0, h]), 3));
      object.renderOrder = 10;
      object.visible = false;
      scene.add(object);
      return object;
    };
    const marks = {
      node: { peak: null, object: cross(0x111111), label: $('peak-label'), noun: 'node' },
      ip: { peak: null, object: cross(0xc2185b), label: $('ip-label'), noun: 'element' },
    };
    function placeMarks() {
      const step = steps.length ? steps[view.stepIndex] : null;
      marks.node.peak = step ? peakOf(step, view.quantity.key) : null;
      marks.ip.peak = step && view.quantity.key === 'mises' && $('ip-peak').checked ? peakOf(step, 'ip') : null;
      for (const mark of Object.values(marks)) {
        const peak = mark.peak;
        mark.object.visible = Boolean(peak);
        if (!peak) { mark.label.hidden = true; continue; }
        mark.object.position.fromArray(peak.xyz.map((x, d) => x + view.warp * peak.displacement[d]));
        const text = document.createElement('span');
        text.textContent = `${mark.noun} ${peak.number}: ${sixDigits(peak.value)}`;
        mark.label.replaceChildren(text);
      }
      $('go-peak').disabled = !marks.node.peak;
    }
    // The labels follow the crosses on the screen (after each frame).
    function placeLabels() {
      const width = canvas.clientWidth, height = canvas.clientHeight;
      for (const mark of Object.values(marks)) {
        if (!mark.peak) continue;
        const at = mark.object.position.clone().project(camera);
        const inside = at.z < 1 && Math.abs(at.x) <= 1 && Math.abs(at.y) <= 1;
        mark.label.hidden = !inside;
        mark.label.style.left = `${((at.x + 1) / 2 * width).toFixed(1)}px`;
        mark.label.style.top = `${((1 - at.y) / 2 * height).toFixed(1)}px`;
      }
    }

    // Camera: the whole model in view, looking from the first octant.
    const controls = new THREE.OrbitControls(camera, canvas);
    controls.enableDamping = false;
    function fitView() {
      const box = new THREE.Box3();
      box.setFromArray(surface.xyz.length ? surface.xyz : [0, 0, 0]);
      const sphere = box.getBoundingSphere(new THREE.Sphere());
      const radius = sphere.radius > 0 ? sphere.radius : 1;
      const distance = radius / Math.sin(THREE.MathUtils.degToRad(camera.fov / 2)) * 1.15;
      camera.up.set(0, 0, 1);
      camera.position.copy(sphere.center).add(new THREE.Vector3(0.9, -1.4, 0.8).normalize().multiplyScalar(distance));
      camera.near = distance / 100;
      camera.far = distance * 100;
      camera.updateProjectionMatrix();
      controls.target.copy(sphere.center);
      controls.update();
      controls.saveState();
    }

    function resize() {
      const width = canvas.clientWidth, height = canvas.clientHeight;
      if (canvas.width !== Math.floor(width * renderer.getPixelRatio()) ||
          canvas.height !== Math.floor(height * renderer.getPixelRatio())) {
        renderer.setSize(width, height, false);
        camera.aspect = width / Math.max(1, height);
        camera.updateProjectionMatrix();
      }
    }

    let frameQueued = false;
    function draw() {
      if (frameQueued) return;
      frameQueued = true;
      requestAnimationFrame(() => {
        frameQueued = false;
        resize();
        renderer.render(scene, camera);
        placeLabels();
        root.dataset.step = String(steps.length ? steps[view.stepIndex].step : 0);
        root.dataset.camera = [...camera.position.toArray(), ...controls.target.toArray()].join(' ');
        root.dataset.state = 'ready';
      });
    }
    controls.addEventListener('change', draw);
    controls.addEventListener('start', () => holdCamera(true));
    controls.addEventListener('end', () => holdCamera(false));
    cameraNow = () => ({ position: camera.position.toArray(), target: controls.target.toArray(),
      up: camera.up.toArray(), zoom: camera.zoom });
    // The camera saved before a reload, if whole.
    function restoreCamera(saved) {
      const vector = (a) => Array.isArray(a) && a.length === 3 && a.every(Number.isFinite);
      if (!saved || !vector(saved.position) || !vector(saved.target) || !vector(saved.up) ||
          !(saved.zoom > 0)) {
        return;
      }
      camera.position.fromArray(saved.position);
      camera.up.fromArray(saved.up);
      camera.zoom = saved.zoom;
      camera.updateProjectionMatrix();
      controls.target.fromArray(saved.target);
      controls.update();
    }
    window.addEventListener('resize', draw);

    // Controls.
    const stepInput = $('step'), warpInput = $('warp'), quantityInput = $('quantity');
    const showStep = (index) => {
      view.stepIndex = index;
      stepInput.value = String(index + 1);
      const number = String(steps[index].step);
      $('step-value').textContent = number;
      $('step-notice').hidden = true;
      document.querySelectorAll('#summary tbody tr').forEach((row) => row.classList.toggle('shown', row.dataset.step === number));
      placeNodes();
      placeMarks();
      paint();
      draw();
    };
    // A step the summary has but the view does not hold.
    const notHeld = (number) => {
      const notice = $('step-notice');
      notice.textContent = `Step ${number} is not held in the 3D view; it shows step ${steps[view.stepIndex].step}.`;
      notice.hidden = false;
    };
    $('controls').hidden = false;
    if (steps.length) {
      stepInput.max = String(steps.length);
      const chooseStep = (index) => {
        view.stepChosen = true;
        showStep(index);
      };
      stepInput.addEventListener('input', () => chooseStep(Number(stepInput.value) - 1));
      showStepNumber = (number) => {
        const index = steps.findIndex((s) => s.step === number);
        if (index >= 0) chooseStep(index); else notHeld(number);
      };
      $('table-hint').hidden = false;
      let timer = null;
      $('play').addEventListener('click', () => {
        if (timer) {
          clearInterval(timer);
          timer = null;
          $('play').innerHTML = '&#9654;';
          return;
        }
        $('play').innerHTML = '&#10074;&#10074;';
        timer = setInterval(() => chooseStep((view.stepIndex + 1) % steps.length), 800);
      });
      window.addEventListener('hashchange', () => {
        const named = hashNumber();
        if (hashIndex() < 0 && summaryRows.some((row) => Number(row[0]) === named)) notHeld(named);
        else chooseStep(hashStep());
      });
      const warpMax = 10 * data.warp;
      const showWarp = () => {
        view.warp = Number(warpInput.value) / 1000 * warpMax;
        $('warp-value').textContent = formatNumber(view.warp);
      };
      const savedWarp = savedView ? Number(savedView.warp) : NaN;
      warpInput.value = Number.isInteger(savedWarp) && savedWarp >= 0 && savedWarp <= 1000 ? String(savedWarp) : '100';
      showWarp();
      warpInput.addEventListener('input', () => { showWarp(); placeNodes(); placeMarks(); draw(); });
      for (const q of quantities) quantityInput.add(new Option(q.label, q.key));
      quantityInput.value = view.quantity.key;
      $('range').value = view.range;
      const ipPeak = $('ip-peak');
      if (savedView && typeof savedView.ipPeak === 'boolean') ipPeak.checked = savedView.ipPeak;
      // The integration-point peak is one of effective stress.
      const offerIpPeak = () => { ipPeak.disabled = view.quantity.key !== 'mises'; };
      offerIpPeak();
      quantityInput.addEventListener('change', () => {
        view.quantity = quantities.find((q) => q.key === quantityInput.value);
        offerIpPeak();
        if (chartSubject.startsWith('node:')) drawChart();
        placeMarks();
        paint();
        draw();
      });
      ipPeak.addEventListener('change', () => { placeMarks(); paint(); draw(); });
      $('go-peak').addEventListener('click', () => {
        if (!marks.node.peak) return;
        controls.target.copy(marks.node.object.position);
        controls.update();
        draw();
      });
      $('range').addEventListener('change', () => { view.range = $('range').value; paint(); draw(); });
    } else {
      for (const id of ['step-controls', 'go-peak']) $(id).hidden = true;
      for (const id of ['warp', 'quantity', 'range', 'ip-peak']) $(id).closest('label').hidden = true;
    }
    if (savedView) $('edges').checked = savedView.edges !== false;
    edges.visible = $('edges').checked;
    $('edges').addEventListener('change', () => { edges.visible = $('edges').checked; draw(); });
    $('reset').addEventListener('click', () => { controls.reset(); draw(); });

    // A click (not a drag) on the surface: the nearest node of the face hit.
    const raycaster = new THREE.Raycaster();
    let pressed = null;
    canvas.addEventListener('pointerdown', (event) => { pressed = [event.clientX, event.clientY]; });
    canvas.addEventListener('pointerup', (event) => {
      if (!pressed || Math.hypot(event.clientX - pressed[0], event.clientY - pressed[1]) > 4) return;
      const bounds = canvas.getBoundingClientRect();
      const pointer = new THREE.Vector2((event.clientX - bounds.left) / bounds.width * 2 - 1,
        -(event.clientY - bounds.top) / bounds.height * 2 + 1);
      raycaster.setFromCamera(pointer, camera);
      const hit = raycaster.intersectObject(mesh, false)[0];
      const pick = $('pick');
      if (!hit) { pick.hidden = true; return; }
      let best = -1, bestDistance = Infinity;
      for (const v of [hit.face.a, hit.face.b, hit.face.c]) {
        const i = vertexNode[v];
        const d = hit.point.distanceToSquared(new THREE.Vector3(displaced[3 * i], displaced[3 * i + 1], displaced[3 * i + 2]));
        if (d < bestDistance) { bestDistance = d; best = i; }
      }
      const xyz = Array.from(surface.xyz.subarray(3 * best, 3 * best + 3), sixDigits).join(', ');
      const node = surface.nodes[best];
      const face = vertexFace[hit.face.a];
      const element = face < surface.faceElements.length ? surface.elements[surface.faceElements[face]] : undefined;
      const lines = [`node ${node}`];
      if (element !== undefined) lines.push(`element ${element}`);
      lines.push(`position ${xyz}`);
      if (steps.length) {
        const values = stepValues(view.stepIndex);
        lines.push(`displacement ${Array.from(values.subarray(3 * best, 3 * best + 3), sixDigits).join(', ')}`);
        lines.push(`${view.quantity.label} ${sixDigits(view.quantity.value(values, best))}`);
      } else {
        lines.push(`zone ${surface.faceZones[vertexFace[hit.face.a]]}`);
      }
      $('pick-lines').textContent = lines.join('\n');
      // The node's history goes to the chart; a button each offers the
      // element's and the node's again.
      const offers = [`node:${node}`, `element:${element}`].filter((subject) => chartContent(subject)).map((subject) => {
        const button = Object.assign(document.createElement('button'), { type: 'button',
          textContent: `History of ${subject.replace(':', ' ')}` });
        button.dataset.subject = subject;
        button.addEventListener('click', () => showChart(subject));
        return button;
      });
      $('pick-actions').replaceChildren(...offers);
      pick.hidden = false;
      if (offers.length && offers[0].dataset.subject === `node:${node}`) showChart(`node:${node}`);
    });

    fitView();
    if (savedView) restoreCamera(savedView.camera);
    if (steps.length) {
      showStep(view.stepIndex);
      const named = hashNumber();
      if (!savedView && hashIndex() < 0 && summaryRows.some((row) => Number(row[0]) === named)) notHeld(named);
    } else {
      placeNodes();
      paint();
      draw();
    }
  }

  fillHeading();
  fillAnalysis();
  fillTable();
  fillViewSteps();
  fillHistoryChoice();
  drawChart();
  try {
    startView();
  } catch (error) {
    setError('The 3D view cannot start: ' + (error && error.message ? error.message : String(error)));
  }
  if (following) {
    window.addEventListener('pagehide', saveView);  // a reload by the reader keeps the view too
    setTimeout(reloadWhenFree, RELOAD_SECONDS * 1000);
  }
})();
