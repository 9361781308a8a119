// The README's pictures of the page, taken in headless Chromium after the example's analysis:
// at desktop size the form and the first results (OUTDIR/web-desktop.png), and on a 360 px
// phone, at twice its pixels, the richness chart (OUTDIR/web-phone.png).
//   node screenshots.mjs PAGE.html OUTDIR
import { chromium } from 'playwright-core';
import { mkdirSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [pagePath, out] = process.argv.slice(2);
if (!pagePath || !out) {
  console.error('usage: node screenshots.mjs PAGE.html OUTDIR');
  process.exit(2);
}
mkdirSync(out, { recursive: true });
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--hide-scrollbars'],
});

// The page analysing its example, at `viewport`.
async function example(viewport, deviceScaleFactor) {
  const page = await browser.newPage({ viewport, deviceScaleFactor });
  await page.goto(pathToFileURL(resolve(pagePath)).href);
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  await page.click('#use-example');
  await page.waitForFunction(() => document.body.dataset.state === 'done');
  // The run's time, which differs from run to run, left out of the pictures.
  await page.evaluate(() => { document.querySelector('#status').textContent = 'Done.'; });
  return page;
}

const desktop = await example({ width: 1200, height: 1350 }, 1);
await desktop.evaluate(() => window.scrollTo(0, 0));
await desktop.screenshot({ path: join(out, 'web-desktop.png') });

const phone = await example({ width: 360, height: 760 }, 2);
await phone.evaluate(() => document.querySelector('#charts-heading').scrollIntoView({ block: 'start' }));
await phone.screenshot({ path: join(out, 'web-phone.png') });
await browser.close();
console.log(`${join(out, 'web-desktop.png')}, ${join(out, 'web-phone.png')}`);
