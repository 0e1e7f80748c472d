// Time until report.html has drawn its first frame (<html data-state="ready">)
// in headless Chromium with software WebGL (SwiftShader), as the browser test
// opens it; best of three page loads in one browser.
//
// Usage: node bench/open_report.mjs <report.html>
// Prints: open <s> state <ready|error> size_mb <MB>
import { createRequire } from 'node:module';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const file = path.resolve(process.argv[2]);
const root = path.dirname(path.dirname(fileURLToPath(import.meta.url)));
const puppeteer = createRequire(path.join(root, 'web', 'package.json'))('puppeteer-core');
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'meridian-open-'));
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  defaultViewport: { width: 1280, height: 900 },
  args: ['--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
    `--user-data-dir=${profile}`],
});
let best = Infinity, state = '';
try {
  for (let i = 0; i < 3; i++) {
    const page = await browser.newPage();
    const start = Date.now();
    await page.goto(pathToFileURL(file).href);
    await page.waitForFunction(() => ['ready', 'error'].includes(document.documentElement.dataset.state),
      { timeout: 120000, polling: 50 });
    best = Math.min(best, (Date.now() - start) / 1000);
    state = await page.evaluate(() => document.documentElement.dataset.state);
    await page.close();
  }
} finally {
  await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
console.log(`open ${best.toFixed(2)} state ${state} size_mb ${(fs.statSync(file).size / 1e6).toFixed(1)}`);
