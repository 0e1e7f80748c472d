// report.html in headless Chromium (Debian's chromium, software WebGL through
// SwiftShader), driven over the DevTools protocol by the pinned puppeteer-core
// of web/package.json (no browser download).
//
// Usage: node check_report.mjs <meridian> <source dir> <make_listing> [<screenshot.png>]
//
// Reports of the bundled example, of a generated listing and of the generated
// model of job 0 (no steps): no console error and no request leaving the page,
// data-state becomes "ready", the canvas shows colours of the colour map,
// moving the step slider changes the picture, the table shows summary.csv's
// reals to six digits (its text in their titles) and downloads it byte for
// byte, a row click shows its step with its peaks marked (effective stress,
// the integration-point element, temperature) and the 16-bit values agree
// with the stress file, #step=2 opens step 2; a page over its budget holds
// fewer steps and says which; with WebGL disabled the table and chart still
// show, with a notice. The page of an analysis still running (a run
// that follows the example's listing cut after two steps) says so,
// reloads itself and keeps the reader's step, quantity and camera, also into
// the complete page that replaces it, which reloads no more; the page of one
// that stopped early (--partial) says so and does not reload, as does that of
// one whose last step holds a value that is not a number. With a fourth argument, a picture of the
// example's report is saved there (docs/example_report.png).
// Histories: a click charts the node's 16-bit values over the held steps
// (within 1e-4 of each step's range of history.csv's exact ones, also after
// the colour-by quantity changes) and offers the hit element's
// integration-point peak; with --history the select charts each item's
// exact history.csv values, and a page over its budget notes the subset.
import { execFileSync, spawn, spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const [meridian, sourceDir, makeListing, screenshot] = process.argv.slice(2).map((a) => path.resolve(a));
const require = createRequire(path.join(sourceDir, 'web', 'package.json'));
const puppeteer = require('puppeteer-core');
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

const started = Date.now();
const note = (what) => console.log(`[${((Date.now() - started) / 1000).toFixed(1)} s] ${what}`);
const failures = [];
let passed = 0;
function check(condition, what) {
  if (condition) {
    passed++;
  } else {
    failures.push(what);
    console.log(`FAIL ${what}`);
  }
}

// A run of meridian in a fresh folder; returns the folder.
function run(name, args, setup) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), `meridian-report-${name}-`));
  setup(dir);
  execFileSync(meridian, args, { cwd: dir, input: '', stdio: ['pipe', 'ignore', 'inherit'] });
  return dir;
}

function browserArgs(webgl, userDataDir) {
  const args = ['--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
    '--disable-default-apps', '--hide-scrollbars', `--user-data-dir=${userDataDir}`];
  if (!webgl) args.push('--disable-webgl', '--disable-3d-apis');
  return args;
}

async function launch(webgl) {
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'meridian-chromium-'));
  const browser = await puppeteer.launch({ executablePath: chromium, headless: true, args: browserArgs(webgl, userDataDir),
    defaultViewport: { width: 1280, height: 900 } });
  return { browser, userDataDir };
}

// Opens a report and watches what it does: console errors, page errors and
// every request other than the page itself.
async function open(browser, file, hash = '') {
  const page = await browser.newPage();
  const problems = [];
  const url = pathToFileURL(file).href;
  page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()}`); });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('request', (request) => {
    // The download of summary.csv is a blob: URL of the page's own.
    if (request.url().split('#')[0] !== url && !request.url().startsWith('blob:')) problems.push(`request: ${request.url()}`);
  });
  const started = Date.now();
  await page.goto(url + hash, { waitUntil: 'load' });
  await page.waitForFunction(() => ['ready', 'error'].includes(document.documentElement.dataset.state), { timeout: 30000 });
  const seconds = (Date.now() - started) / 1000;
  return { page, problems, seconds };
}

// The canvas's pixels as [r, g, b] in 0..1, every 7th (no background, edges
// or grey lines: saturated colours only); then, of those, the share that lies on
// the turbo map (at any brightness the lighting gives) and how many of its 16
// parts appear.
async function colourMapPixels(page) {
  return page.evaluate(() => {
    const source = document.getElementById('canvas');
    const copy = Object.assign(document.createElement('canvas'), { width: source.width, height: source.height });
    copy.getContext('2d').drawImage(source, 0, 0);
    const data = copy.getContext('2d').getImageData(0, 0, copy.width, copy.height).data;
    const pixels = [];
    for (let i = 0; i < data.length; i += 4 * 7) {
      const rgb = [data[i] / 255, data[i + 1] / 255, data[i + 2] / 255];
      if (Math.max(...rgb) >= 0.15 && Math.max(...rgb) - Math.min(...rgb) >= 0.1) pixels.push(rgb);
    }
    const turbo = (x) => {
      const r = 0.13572138 + x * (4.61539260 + x * (-42.66032258 + x * (132.13108234 + x * (-152.94239396 + x * 59.28637943))));
      const g = 0.09140261 + x * (2.19418839 + x * (4.84296658 + x * (-14.18503333 + x * (4.27729857 + x * 2.82956604))));
      const b = 0.10667330 + x * (12.64194608 + x * (-60.58204836 + x * (110.36276771 + x * (-89.90310912 + x * 27.34824973))));
      return [r, g, b].map((v) => Math.min(1, Math.max(0, v)));
    };
    const map = Array.from({ length: 256 }, (_, k) => turbo(k / 255));
    let onMap = 0;
    const parts = new Set();
    for (const rgb of pixels) {
      // Lighting scales a colour: compare directions in colour space.
      let best = Infinity, at = 0;
      map.forEach((c, k) => {
        const scale = (c[0] * rgb[0] + c[1] * rgb[1] + c[2] * rgb[2]) / Math.max(1e-6, c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        const d = Math.hypot(c[0] * scale - rgb[0], c[1] * scale - rgb[1], c[2] * scale - rgb[2]);
        if (d < best) { best = d; at = k; }
      });
      if (best < 0.04) { onMap++; parts.add(Math.floor(at / 16)); }
    }
    return { share: pixels.length ? onMap / pixels.length : 0, parts: parts.size, counted: pixels.length };
  });
}

const canvasPicture = (page) => page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));

// The table's cells, row by row: shown text and title.
const tableCells = (page) => page.evaluate(() =>
  Array.from(document.querySelectorAll('#summary tr'), (row) => Array.from(row.cells, (cell) => [cell.textContent, cell.title])));
// The significant digits of a number's text (trailing zeros of a whole number
// not counted).
const significant = (text) => {
  const mantissa = text.replace(/^-/, '').replace(/e[-+]\d+$/i, '');
  const digits = mantissa.replace('.', '').replace(/^0+/, '');
  return (mantissa.includes('.') ? digits : digits.replace(/0+$/, '')).length;
};
// The table shows a CSV cell: as written (steps, nodes, elements) or to six
// digits with the text as its title.
function showsCell([shown, title], csv, whole) {
  if (whole) return shown === csv && title === '';
  return title === csv && /^-?[\d.]+(e[-+]\d+)?$/.test(shown) && significant(shown) <= 6 &&
    Math.abs(Number(shown) - Number(csv)) <= 5e-6 * Math.abs(Number(csv));
}
// The page's data, read from the file.
const fileData = (file) => JSON.parse(/<script id="report-data" type="application\/json">([^]*?)<\/script>/.exec(fs.readFileSync(file, 'utf8'))[1]);
// A column of history.csv by name, as numbers (one per step).
function historyColumns(dir) {
  const [header, ...rows] = fs.readFileSync(path.join(dir, 'history.csv'), 'utf8').split('\r\n').filter((line) => line)
    .map((line) => line.split(','));
  return (name) => {
    const k = header.indexOf(name);
    return k < 0 ? [] : rows.map((row) => Number(row[k]));
  };
}
// What the chart shows (once it shows `subject`, waiting at most 5 s).
async function chartOf(page, subject) {
  await page.waitForFunction((s) => document.getElementById('chart').dataset.subject === s, { timeout: 5000 }, subject).catch(() => {});
  return page.evaluate(() => {
    const chart = document.getElementById('chart'), note = document.getElementById('chart-note');
    return { subject: chart.dataset.subject, source: chart.dataset.source, title: document.getElementById('chart-title').textContent,
      note: note.hidden ? '' : note.textContent, lines: Array.from(chart.querySelectorAll('polyline'), (line) => ({ key: line.dataset.key,
        steps: line.dataset.steps.split(',').map(Number), values: line.dataset.values.split(',').map(Number) })) };
  });
}
// The worst error of a chart line against exact values, in parts of each
// step's range (`range(k)` for the k-th step).
const worstOf = (values, exact, range) => (values.length === exact.length
  ? Math.max(...values.map((v, k) => Math.abs(v - exact[k]) / Math.max(range(k), 1e-300))) : Infinity);
const sameValues = (a, b) => a.length === b.length && a.every((v, k) => v === b[k]);
const clickMiddle = async (page) => {
  const box = await (await page.$('#canvas')).boundingBox();
  await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
};
const reportData = (page) => page.evaluate(() => JSON.parse(document.getElementById('report-data').textContent));
const labelOf = (page, id) => page.evaluate((id) => document.getElementById(id).hidden ? '' : document.getElementById(id).textContent, id);
const chooseQuantity = (page, key) => page.evaluate((key) => {
  const quantity = document.getElementById('quantity');
  quantity.value = key;
  quantity.dispatchEvent(new Event('change'));
}, key);

// The nodes of the first zone of a Tecplot stress file: 11 values each
// (X, Y, Z, XX, YY, ZZ, XY, YZ, ZX, MISES, TEMPERATURE).
function stressFileNodes(file) {
  const text = fs.readFileSync(file, 'utf8');
  const count = Number(/N=\s*(\d+)/.exec(text)[1]);
  const numbers = text.slice(text.indexOf('\n', text.indexOf('N=')) + 1).trim().split(/\s+/, 11 * count).map(Number);
  return Array.from({ length: count }, (_, k) => numbers.slice(11 * k, 11 * k + 11));
}

async function checkSteppedReport(browser, name, dir) {
  const file = path.join(dir, 'report.html');
  const csv = fs.readFileSync(path.join(dir, 'summary.csv'), 'utf8');
  check(csv.endsWith('\r\n'), `${name}: summary.csv records end in CR LF`);
  const expected = csv.split('\r\n').filter((line) => line).map((line) => line.split(','));
  const { page, problems, seconds } = await open(browser, file);
  console.log(`${name}: ${(fs.statSync(file).size / 1e6).toFixed(2)} MB, ready in ${seconds.toFixed(2)} s`);
  check(await page.evaluate(() => document.documentElement.dataset.state) === 'ready', `${name}: data-state ready`);
  check(await page.evaluate(() => document.documentElement.dataset.step) === expected[1][0], `${name}: opens the first step`);
  const colours = await colourMapPixels(page);
  check(colours.share > 0.5 && colours.parts >= 3,
    `${name}: the canvas shows colour-map colours (${JSON.stringify(colours)})`);
  const cells = await tableCells(page);
  const whole = expected[0].map((column) => column === 'step' || /_(node|element)$/.test(column));
  check(cells.length === expected.length && cells[0].every(([shown], k) => shown === expected[0][k]) &&
    expected.slice(1).every((row, r) => row.every((cell, k) => showsCell(cells[r + 1][k], cell, whole[k]))),
    `${name}: the table shows summary.csv to six digits, its text in the titles (${JSON.stringify(cells[1])})`);
  const visible = await page.evaluate(() => document.body.innerText);
  check(cells.slice(1).every((row) => row.every(([shown]) => visible.includes(shown))), `${name}: the numbers are in the visible text`);

  // The download button gives summary.csv's bytes, from the page itself.
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'meridian-download-'));
  folders.push(downloads);
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await page.click('#download-csv');
  const saved = path.join(downloads, 'summary.csv');
  for (const deadline = Date.now() + 10000; !(fs.existsSync(saved) && fs.statSync(saved).size >= csv.length) && Date.now() < deadline;) await sleep(50);
  check(fs.existsSync(saved) && fs.readFileSync(saved).equals(fs.readFileSync(path.join(dir, 'summary.csv'))),
    `${name}: "Download summary.csv" gives summary.csv byte for byte`);
  check(await page.evaluate(() => document.querySelectorAll('#chart polyline').length) === 2, `${name}: the chart has its two lines`);

  const before = await canvasPicture(page);
  const last = expected.length - 1;
  await page.evaluate((value) => {
    const slider = document.getElementById('step');
    slider.value = String(value);
    slider.dispatchEvent(new Event('input'));
  }, last);
  await page.waitForFunction((step) => document.documentElement.dataset.step === step, { timeout: 10000 }, expected[last][0]);
  check(before !== await canvasPicture(page), `${name}: moving the step slider changes the picture`);

  // A click on a row shows its step, with the peaks of that step marked.
  const row = Math.max(1, last - 1);
  await page.click(`#summary tbody tr:nth-child(${row})`);
  await page.waitForFunction((step) => document.documentElement.dataset.step === step, { timeout: 10000 }, expected[row][0]);
  const column = (key) => expected[row][expected[0].indexOf(key)];
  const nodePeak = await labelOf(page, 'peak-label');
  check(nodePeak === `node ${column('max_effective_stress_node')}: ${cells[row][expected[0].indexOf('max_effective_stress')][0]}` &&
    (await labelOf(page, 'colorbar-peak')).startsWith(`peak: node ${column('max_effective_stress_node')}, `),
    `${name}: the row's step marks its effective-stress peak node (${nodePeak}; row ${expected[row]})`);
  const ipPeak = await labelOf(page, 'ip-label');
  check(ipPeak.startsWith(`element ${column('max_ip_effective_stress_element')}: `),
    `${name}: and its integration-point peak element (${ipPeak})`);
  const data = await reportData(page);
  const held = data.steps.find((s) => String(s.step) === expected[row][0]);
  await chooseQuantity(page, 'temperature');
  const hot = await labelOf(page, 'peak-label');
  const [hotNode, hotValue] = /^node (\d+): (\S+)$/.exec(hot)?.slice(1).map(Number) ?? [];
  check(hotNode === held.peaks.temperature[0] && Math.abs(hotValue - Number(column('max_temperature'))) <= 5e-6 * Math.abs(hotValue) &&
    await labelOf(page, 'ip-label') === '', `${name}: temperature marks its own peak node, no element (${hot})`);
  await page.click('#go-peak');
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
  const warp = await page.evaluate(() => Number(document.getElementById('warp').value) / 100);
  const aim = held.peaks.temperature.slice(2, 5).map((x, d) => x + warp * data.warp * held.peaks.temperature[5 + d]);
  const target = (await pageState(page)).camera.slice(3);
  check(target.every((v, d) => Math.abs(v - aim[d]) <= 1e-9 * (1 + Math.abs(aim[d]))),
    `${name}: "Go to peak" turns the camera to the peak (${target} for ${aim})`);
  await chooseQuantity(page, 'mises');

  // The 16-bit values of the step come back within 1e-4 of each channel's
  // range: against the stress file's XX..TEMPERATURE of every surface node, in
  // the page's readout of a node (six digits) and in a decoding of the data.
  const stressFile = path.join(dir, `model_stress_${expected[row][0]}.dat`);
  if (fs.existsSync(stressFile)) {
    const nodes = stressFileNodes(stressFile);
    const worst = await page.evaluate((held, nodes) => {
      const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0)).buffer;
      const data = JSON.parse(document.getElementById('report-data').textContent);
      const numbers = new Int32Array(bytes(data.surface.nodes)), q = new Uint16Array(bytes(held.q)), n = numbers.length;
      let worst = 0;
      numbers.forEach((node, i) => {
        if (node > nodes.length) return;  // the ground end of a spring: no stress
        for (let c = 3; c < 11; c++) {
          const at = c < 9 ? 3 * n + 6 * i + (c - 3) : c * n + i;
          const value = held.lo[c] + (held.hi[c] - held.lo[c]) * q[at] / 65535;
          worst = Math.max(worst, Math.abs(value - nodes[node - 1][c]) / Math.max(held.hi[c] - held.lo[c], 1e-300));
        }
      });
      return worst;
    }, held, nodes);
    check(worst <= 1e-4, `${name}: decoded values within 1e-4 of their range of the stress file (worst ${worst})`);
    const box = await (await page.$('#canvas')).boundingBox();
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
    const read = /^node (\d+)[^]*\neffective stress (\S+)$/.exec(await labelOf(page, 'pick-lines'));
    const range = held.hi[9] - held.lo[9];
    check(read && Math.abs(Number(read[2]) - nodes[read[1] - 1][9]) <= 1e-4 * range + 5e-6 * Math.abs(Number(read[2])),
      `${name}: the readout's effective stress is the stress file's (${read && read.slice(1)})`);
  }

  // A click on the middle of the view names a node.
  const box = await (await page.$('#canvas')).boundingBox();
  await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
  const pick = await page.evaluate(() => document.getElementById('pick').hidden ? '' : document.getElementById('pick').textContent);
  check(/^node \d+/.test(pick), `${name}: a click on the model names the nearest node (${JSON.stringify(pick)})`);

  if (expected.length > 2) {
    const second = await open(browser, file, '#step=2');
    check(await second.page.evaluate(() => document.documentElement.dataset.step) === '2', `${name}: #step=2 opens step 2`);
    problems.push(...second.problems);
  }
  const outside = await open(browser, file, '#step=99999');
  check(await outside.page.evaluate(() => document.documentElement.dataset.step) === expected[1][0], `${name}: a step outside opens step 1`);
  problems.push(...outside.problems);
  check(problems.length === 0, `${name}: no console error and no request (${problems.join('; ')})`);
  return page;
}

async function checkWithoutWebgl(name, dir) {
  const { browser, userDataDir } = await launch(false);
  try {
    const { page, problems } = await open(browser, path.join(dir, 'report.html'));
    const state = await page.evaluate(() => ({
      state: document.documentElement.dataset.state,
      message: document.documentElement.dataset.message || '',
      notice: getComputedStyle(document.getElementById('notice')).display !== 'none' &&
        document.getElementById('notice').textContent,
      controls: getComputedStyle(document.getElementById('controls')).display,
      rows: document.querySelectorAll('#summary tbody tr').length,
      chart: document.querySelectorAll('#chart polyline').length,
    }));
    check(state.state === 'error' && state.message.includes('WebGL'), `${name} without WebGL: data-state error with a message`);
    check(Boolean(state.notice) && state.controls === 'none', `${name} without WebGL: the page says so, no view controls`);
    check(state.rows > 0 && state.chart === 2, `${name} without WebGL: table and chart still show`);
    await page.select('#history-item', 'spring:1');
    const chart = await chartOf(page, 'spring:1');
    check(chart.source === 'history' && chart.lines.length === 2, `${name} without WebGL: the history select charts spring 1`);
    check(problems.length === 0, `${name} without WebGL: no console error and no request (${problems.join('; ')})`);
  } finally {
    await browser.close();
    fs.rmSync(userDataDir, { recursive: true, force: true });
  }
}

// The example's listing cut where time step 3 begins: an analysis two of
// whose three steps are in.
function exampleParts() {
  const listing = fs.readFileSync(path.join(sourceDir, 'examples', 'n3dhsp'));
  const third = listing.indexOf(' n o d a l   p r i n t o u t   f o r   t i m e   s t e p      3');
  const cut = listing.lastIndexOf('\n', third) + 1;
  return { head: listing.subarray(0, cut), rest: listing.subarray(cut) };
}

// A run that follows the cut listing (--follow): once its page names the two
// steps in, the caller may append the rest, and the run ends.
async function followedRun(dir, head) {
  fs.writeFileSync(path.join(dir, 'n3dhsp'), head);
  const child = spawn(meridian, ['--scale', '10', '--report', '--follow=60'], { cwd: dir, stdio: 'ignore' });
  const ended = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  const file = path.join(dir, 'report.html');
  const deadline = Date.now() + 30000;
  while (!(fs.existsSync(file) && fs.readFileSync(file, 'utf8').includes('"analysis":{"steps":2,"announced":3,"running":true}'))) {
    if (Date.now() > deadline) { child.kill(); throw new Error('the followed run wrote no page of two steps'); }
    await sleep(50);
  }
  return { child, ended };
}

const pageState = (page) => page.evaluate(() => {
  const notice = document.getElementById('analysis');
  return { state: document.documentElement.dataset.state, step: document.documentElement.dataset.step,
    analysis: document.documentElement.dataset.analysis, notice: notice.hidden ? '' : notice.textContent,
    quantity: document.getElementById('quantity').value,
    camera: (document.documentElement.dataset.camera || '').split(' ').map(Number) };
});
const sameCamera = (a, b) => a.length === 6 && a.every((v, k) => Math.abs(v - b[k]) <= 1e-6 * (1 + Math.abs(v)));
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const ready = (page) => page.waitForFunction(() => document.documentElement.dataset.state === 'ready', { timeout: 30000 });

async function checkUnfinishedReport(browser, name) {
  const parts = exampleParts();
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'meridian-report-following-'));
  folders.push(dir);
  const file = path.join(dir, 'report.html');
  const followed = await followedRun(dir, parts.head);
  // The analysis that stopped after two steps, written with --partial.
  const stoppedDir = fs.mkdtempSync(path.join(os.tmpdir(), 'meridian-report-stopped-'));
  folders.push(stoppedDir);
  fs.writeFileSync(path.join(stoppedDir, 'n3dhsp'), parts.head);
  const partial = spawnSync(meridian, ['--scale', '10', '--report', '--partial'], { cwd: stoppedDir, stdio: 'ignore' });
  check(partial.status === 3, `${name} stopped: --partial ends with status 3 (${partial.status})`);

  const { page, problems } = await open(browser, file);
  const opened = Date.now();
  const loads = [];
  page.on('load', () => loads.push(Date.now()));
  let shown = await pageState(page);
  check(shown.analysis === 'running' && /still running: 2 of the 3 announced steps are in; .*reloads every 5 s/.test(shown.notice),
    `${name} running: the notice names both counts (${JSON.stringify(shown.notice)})`);
  check(shown.step === '2', `${name} running: opens the newest step (${shown.step})`);
  // The reader holds the camera, turns it, chooses step 1 and another
  // quantity; the reload waits for the camera to be let go.
  const box = await (await page.$('#canvas')).boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width / 2 + 80, box.y + box.height / 2 + 30, { steps: 5 });
  await page.evaluate(() => {
    const slider = document.getElementById('step');
    slider.value = '1';
    slider.dispatchEvent(new Event('input'));
    const quantity = document.getElementById('quantity');
    quantity.value = 'displacement';
    quantity.dispatchEvent(new Event('change'));
  });
  await page.waitForFunction(() => document.documentElement.dataset.step === '1', { timeout: 5000 });
  const chosen = await pageState(page);
  check(!sameCamera(chosen.camera, shown.camera), `${name} running: the drag turns the camera`);
  await sleep(Math.max(0, opened + 6500 - Date.now()));
  check(loads.length === 0, `${name} running: no reload while the camera is held`);
  await Promise.all([page.waitForNavigation({ timeout: 8000 }), page.mouse.up()]);
  await ready(page);
  shown = await pageState(page);
  check(loads.length === 1 && shown.step === '1' && shown.quantity === 'displacement' && sameCamera(shown.camera, chosen.camera),
    `${name} running: after the reload, step, quantity and camera are kept (${JSON.stringify([shown, chosen])})`);

  // The analysis ends: the followed run writes the complete page; one more
  // reload.
  fs.appendFileSync(path.join(dir, 'n3dhsp'), parts.rest);
  check(await followed.ended === 0, `${name}: the followed run ends with status 0`);
  const replaced = Date.now();
  await page.waitForNavigation({ timeout: 8000 });
  await ready(page);
  note(`${name}: the complete page came ${((Date.now() - replaced) / 1000).toFixed(1)} s after the file was replaced`);
  shown = await pageState(page);
  check(shown.analysis === undefined && shown.notice === '' && shown.step === '1' && shown.quantity === 'displacement' &&
    sameCamera(shown.camera, chosen.camera), `${name} complete: no notice, the reader's view kept (${JSON.stringify(shown)})`);
  // The stopped page, in a tab of its own (the complete page's timers, if it
  // had any, still run in the background).
  const stopped = await open(browser, path.join(stoppedDir, 'report.html'));
  const stoppedLoads = [];
  stopped.page.on('load', () => stoppedLoads.push(Date.now()));
  const stoppedShown = await pageState(stopped.page);
  check(stoppedShown.analysis === 'stopped' && /stopped after 2 of the 3 announced steps/.test(stoppedShown.notice),
    `${name} stopped: the notice names both counts (${JSON.stringify(stoppedShown.notice)})`);
  // A diverged analysis: step 3 holds a value that is not a number.
  const divergedDir = fs.mkdtempSync(path.join(os.tmpdir(), 'meridian-report-diverged-'));
  folders.push(divergedDir);
  const restText = parts.rest.toString('latin1');
  const rest = restText.replace(/^(      1   gauss  1 .{7}).{11}/m, '$1        NaN');
  check(rest !== restText, `${name} diverged: a value of step 3 made NaN`);
  fs.writeFileSync(path.join(divergedDir, 'n3dhsp'), Buffer.concat([parts.head, Buffer.from(rest, 'latin1')]));
  const diverged = spawnSync(meridian, ['--scale', '10', '--report', '--partial'], { cwd: divergedDir, stdio: 'ignore' });
  check(diverged.status === 3, `${name} diverged: --partial ends with status 3 (${diverged.status})`);
  const divergedPage = await open(browser, path.join(divergedDir, 'report.html'));
  const divergedShown = await pageState(divergedPage.page);
  check(divergedShown.analysis === 'stopped' &&
    /stopped at step 3 of the 3 announced: it holds values that are not numbers .*the 2 complete steps/.test(divergedShown.notice),
    `${name} diverged: the notice says so (${JSON.stringify(divergedShown.notice)})`);
  stopped.problems.push(...divergedPage.problems);
  await divergedPage.page.close();
  await sleep(6000);
  check(loads.length === 2, `${name} complete: no reload after the last (${loads.length} loads)`);
  check(stoppedLoads.length === 0, `${name} stopped: no reload`);
  const all = [...problems, ...stopped.problems];
  check(all.length === 0, `${name} unfinished: no console error and no request (${all.join('; ')})`);
  await stopped.page.close();
}

// A page over its budget: the 3D view holds some of the steps and says
// which, its slider spans those, and a row of another step says it is not held.
async function checkViewSubset(browser, name, dir) {
  const rows = fs.readFileSync(path.join(dir, 'summary.csv'), 'utf8').split('\r\n').filter((line) => line).slice(1);
  const { page, problems } = await open(browser, path.join(dir, 'report.html'));
  const shown = await page.evaluate(() => ({ notice: document.getElementById('view-steps').hidden ? '' : document.getElementById('view-steps').textContent,
    max: Number(document.getElementById('step').max), rows: document.querySelectorAll('#summary tbody tr').length }));
  const said = /^The 3D view holds (\d+) of the (\d+) steps \(steps? ([\d, \u2026]+)\) to keep this page under 0\.001 MB; the table and chart hold every step\.$/.exec(shown.notice);
  const [kept, of] = said ? said.slice(1, 3).map(Number) : [];
  const named = said ? said[3].split(', ').map(Number) : [];
  check(said && kept < of && of === rows.length && shown.rows === of && shown.max === kept && named.length === kept &&
    named.every((step, k) => k === 0 || step > named[k - 1]), `${name}: the notice names ${kept} of ${of} steps, the slider spans them (${JSON.stringify(shown)})`);
  const missing = rows.map((row) => row.split(',')[0]).find((step) => !named.includes(Number(step)));
  const before = await page.evaluate(() => document.documentElement.dataset.step);
  if (missing) await page.click(`#summary tbody tr[data-step="${missing}"]`);
  const notice = await labelOf(page, 'step-notice');
  check(missing && notice.startsWith(`Step ${missing} is not held`) && before === await page.evaluate(() => document.documentElement.dataset.step),
    `${name}: a row of a step not held says so (${notice})`);
  // A node's history there holds the view's steps and says so.
  await clickMiddle(page);
  const node = /^node (\d+)/.exec(await labelOf(page, 'pick-lines'))?.[1];
  const chart = await chartOf(page, `node:${node}`);
  const heldSteps = fileData(path.join(dir, 'report.html')).steps.map((s) => s.step).sort((a, b) => a - b);
  check(node && chart.source === 'steps' && chart.note.startsWith(`This page holds ${kept} of the ${of} steps`) &&
    chart.lines.every((line) => sameValues(line.steps, heldSteps)),
    `${name}: node ${node}'s history has the held steps and a note saying so (${chart.note})`);
  check(problems.length === 0, `${name}: no console error and no request (${problems.join('; ')})`);
  await page.close();
}

// Histories of the example: a clicked node's and element's from the 16-bit
// values of the plain page against history.csv of a run that follows every
// node and element and two springs; then that run's page, whose select and
// clicks chart history.csv's exact values.
async function checkHistories(browser, name, plain, historied) {
  const column = historyColumns(historied);
  const { page, problems } = await open(browser, path.join(plain, 'report.html'));
  const held = fileData(path.join(plain, 'report.html')).steps;
  const stepNumbers = held.map((s) => s.step);
  const span = (c) => (k) => held[k].hi[c] - held[k].lo[c];
  await clickMiddle(page);
  const [, node, element] = /^node (\d+)\nelement (\d+)\n/.exec(await labelOf(page, 'pick-lines')) ?? [];
  let chart = await chartOf(page, `node:${node}`);
  check(node && chart.subject === `node:${node}` && chart.source === 'steps' && /16-bit/.test(chart.title) && chart.note === '' &&
    chart.lines.length === 2 && chart.lines.every((line) => sameValues(line.steps, stepNumbers)),
    `${name}: a click charts node ${node}'s history over the held steps (${JSON.stringify(chart).slice(0, 300)})`);
  const [stress, moved] = chart.lines;
  const movedWorst = worstOf(moved.values, column(`node_${node}_displacement`), (k) => Math.max(...[0, 1, 2].map((c) => span(c)(k))));
  check(stress.key === 'mises' && worstOf(stress.values, column(`node_${node}_effective_stress`), span(9)) <= 1e-4 &&
    moved.key === 'displacement' && movedWorst <= 1e-4,
    `${name}: node ${node}'s effective stress and displacement magnitude within 1e-4 of the step's range of history.csv (${movedWorst})`);
  await chooseQuantity(page, 'temperature');
  chart = await chartOf(page, `node:${node}`);
  check(chart.lines[0].key === 'temperature' && chart.lines[1].key === 'displacement' &&
    worstOf(chart.lines[0].values, column(`node_${node}_temperature`), span(10)) <= 1e-4,
    `${name}: colouring by temperature charts node ${node}'s temperature (${chart.lines.map((line) => line.key)})`);
  await chooseQuantity(page, 'mises');
  const offer = await page.$eval('#pick-actions', (box) => Array.from(box.querySelectorAll('button'), (b) => b.textContent));
  check(offer.includes(`History of element ${element}`), `${name}: the pick box offers element ${element}'s history (${offer})`);
  await page.click(`#pick-actions button[data-subject="element:${element}"]`).catch(() => {});
  chart = await chartOf(page, `element:${element}`);
  const peaks = [1, 2, 3, 4, 5, 6, 7, 8].map((k) => column(`element_${element}_ip${k}_effective_stress`));
  const peak = peaks[0].map((v, r) => Math.max(...peaks.map((p) => p[r])));
  const elementWorst = chart.lines.length === 1 ? worstOf(chart.lines[0].values, peak, (k) => held[k].ehi - held[k].elo) : Infinity;
  check(chart.subject === `element:${element}` && chart.source === 'steps' && chart.title.startsWith(`History of element ${element}`) &&
    sameValues(chart.lines[0]?.steps ?? [], stepNumbers) && elementWorst <= 1e-4,
    `${name}: element ${element}'s integration-point peak within 1e-4 of the step's range of history.csv (${elementWorst})`);
  await page.click('#chart-peaks');
  chart = await chartOf(page, 'peaks');
  check(chart.source === 'summary' && chart.title === 'Peaks per step' && chart.lines.length === 2 &&
    await page.$eval('#history-choice', (label) => label.hidden), `${name}: "Peaks" charts the peaks again; no history select without --history`);
  await page.close();

  // The page of the run with --history: every step, history.csv's values.
  const exact = await open(browser, path.join(historied, 'report.html'));
  const steps = column('step');
  const options = await exact.page.$$eval('#history-item option', (list) => list.map((o) => o.value));
  check(options[0] === 'peaks' && options.includes('node:1') && options.includes(`element:${element}`) && options.includes('spring:2'),
    `${name} with --history: the select lists history.csv's items (${options.length} of them)`);
  await exact.page.select('#history-item', `element:${element}`);
  chart = await chartOf(exact.page, `element:${element}`);
  check(chart.source === 'history' && /history\.csv/.test(chart.title) && chart.lines.length === 1 &&
    sameValues(chart.lines[0].steps, steps) && sameValues(chart.lines[0].values, peak),
    `${name} with --history: element ${element} charts the largest of its 8 integration points of history.csv exactly`);
  await exact.page.select('#history-item', 'spring:1');
  chart = await chartOf(exact.page, 'spring:1');
  check(chart.source === 'history' && chart.lines.map((line) => line.key).join() === 'force,deflection' &&
    sameValues(chart.lines[0].values, column('spring_1_force')) && sameValues(chart.lines[1].values, column('spring_1_deflection')),
    `${name} with --history: spring 1 charts history.csv's force and deflection exactly`);
  await clickMiddle(exact.page);
  chart = await chartOf(exact.page, `node:${node}`);
  check(chart.source === 'history' && /history\.csv/.test(chart.title) && sameValues(chart.lines[0].steps, steps) &&
    sameValues(chart.lines[0].values, column(`node_${node}_effective_stress`)) &&
    sameValues(chart.lines[1].values, column(`node_${node}_displacement`)) &&
    await exact.page.$eval('#history-item', (select) => select.value) === `node:${node}`,
    `${name} with --history: a click on node ${node} charts its exact history and says so (${chart.title})`);
  await exact.page.select('#history-item', 'peaks');
  chart = await chartOf(exact.page, 'peaks');
  check(chart.lines.length === 2 && await exact.page.$eval('#chart-peaks', (b) => b.hidden),
    `${name} with --history: the select's first choice charts the peaks`);
  problems.push(...exact.problems);
  check(problems.length === 0, `${name} histories: no console error and no request (${problems.join('; ')})`);
  await exact.page.close();
}

const folders = [];
const { browser, userDataDir } = await launch(true);
try {
  const example = run('example', ['--scale', '10', '--report'],
    (dir) => fs.copyFileSync(path.join(sourceDir, 'examples', 'n3dhsp'), path.join(dir, 'n3dhsp')));
  folders.push(example);
  note('browser started, example written');
  const examplePage = await checkSteppedReport(browser, 'example', example);
  note('example checked');
  // The same run following every node and element and two springs.
  const counts = fileData(path.join(example, 'report.html')).counts;
  const items = [...Array.from({ length: counts.nodes }, (_, k) => `node:${k + 1}`),
    ...Array.from({ length: counts.elements }, (_, k) => `element:${k + 1}`), 'spring:1', 'spring:2'];
  const historied = run('history', ['--scale', '10', '--report', `--history=${items.join(',')}`],
    (dir) => fs.copyFileSync(path.join(sourceDir, 'examples', 'n3dhsp'), path.join(dir, 'n3dhsp')));
  folders.push(historied);
  await checkHistories(browser, 'example', example, historied);
  note('histories checked');
  await checkUnfinishedReport(browser, 'example');
  note('pages of an analysis running and stopped checked');

  const generated = run('generated', ['--job', '2', '--report'],
    (dir) => execFileSync(makeListing, [path.join(dir, 'n3dhsp'), '3000', '2000', '4'], { stdio: 'ignore' }));
  folders.push(generated);
  note('generated listing written');
  await checkSteppedReport(browser, 'generated listing', generated);
  note('generated listing checked');
  const budgeted = run('budget', ['--job', '2', '--report', '--report-budget=0.001'],
    (dir) => fs.copyFileSync(path.join(generated, 'n3dhsp'), path.join(dir, 'n3dhsp')));
  folders.push(budgeted);
  await checkViewSubset(browser, 'generated listing within 0.001 MB', budgeted);
  note('page over its budget checked');

  // The generated model of job 0: no steps, coloured by zone, no step controls.
  const meshed = run('meshed', ['--job', '0', '--report'],
    (dir) => fs.copyFileSync(path.join(sourceDir, 'tests', 'viewer', 'parameter_in.txt'), path.join(dir, 'parameter_in.txt')));
  folders.push(meshed);
  check(!fs.existsSync(path.join(meshed, 'summary.csv')), 'job 0 without a listing: no summary.csv');
  const model = await open(browser, path.join(meshed, 'report.html'));
  const modelState = await model.page.evaluate(() => ({
    state: document.documentElement.dataset.state, step: document.documentElement.dataset.step,
    stepControls: getComputedStyle(document.getElementById('step-controls')).display === 'none' }));
  check(modelState.state === 'ready' && modelState.step === '0' && modelState.stepControls,
    `job 0 model: ready at step 0 without step controls (${JSON.stringify(modelState)})`);
  const zoneColours = (await colourMapPixels(model.page)).counted;
  check(zoneColours > 150, `job 0 model: zones coloured (${zoneColours} pixels)`);
  check(model.problems.length === 0, `job 0 model: no console error and no request (${model.problems.join('; ')})`);

  note('job 0 model checked');
  await checkWithoutWebgl('example with --history', historied);
  note('example without WebGL checked');

  if (screenshot) {
    await examplePage.setViewport({ width: 1280, height: 860 });
    await examplePage.evaluate(() => {
      const slider = document.getElementById('step');
      slider.value = slider.max;
      slider.dispatchEvent(new Event('input'));
      const range = document.getElementById('range');
      range.value = 'step';
      range.dispatchEvent(new Event('change'));
      document.getElementById('pick').hidden = true;
      document.getElementById('chart-peaks').click();  // the clicks above left a node's history there
    });
    await new Promise((resolve) => setTimeout(resolve, 500));
    await examplePage.screenshot({ path: screenshot });
    console.log(`picture: ${screenshot}`);
  }
} finally {
  await browser.close();
  fs.rmSync(userDataDir, { recursive: true, force: true });
  for (const dir of folders) fs.rmSync(dir, { recursive: true, force: true });
}

console.log(`${passed} passed, ${failures.length} failed`);
process.exit(failures.length ? 1 : 0);
