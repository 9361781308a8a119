// How long the page takes in each browser (Debian's chromium and firefox-esr, headless): opening
// it from disk until the engine is ready, and analysing the example (the button "Try the example
// data") until its tables and charts are shown, first after opening and then again. Each figure
// is over RUNS browsers started afresh (as when a user double-clicks the file; the system's file
// cache is warm): the fastest, the median and the slowest, in seconds.
//   node timing.mjs PAGE.html [RUNS]
import puppeteer from 'puppeteer-core';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [pagePath, runsArg = '5'] = process.argv.slice(2);
const runs = Number(runsArg);
const url = pathToFileURL(resolve(pagePath)).href;
const browsers = {
  chromium: { executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--disable-gpu'] },
  firefox: { browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true },
};

const summary = (xs) => {
  const s = [...xs].sort((a, b) => a - b);
  return `${s[0].toFixed(2)} / ${s[Math.floor(s.length / 2)].toFixed(2)} / ${s[s.length - 1].toFixed(2)}`;
};

for (const [name, options] of Object.entries(browsers)) {
  const figures = { open: [], first: [], again: [], engine: [] };
  let version;
  for (let i = 0; i < runs; i += 1) {
    const browser = await puppeteer.launch(options);
    version = await browser.version();
    const page = await browser.newPage();
    await page.setViewport({ width: 1200, height: 900 });
    let t = performance.now();
    await page.goto(url);
    await page.waitForFunction(() => document.body.dataset.state === 'ready', { polling: 10 });
    figures.open.push((performance.now() - t) / 1000);
    for (const which of ['first', 'again']) {
      t = performance.now();
      await page.click('#use-example');
      await page.waitForFunction(() => document.body.dataset.state === 'done', { polling: 10 });
      figures[which].push((performance.now() - t) / 1000);
    }
    // The page's own figure: from the click until the worker's answer.
    figures.engine.push(Number((await page.$eval('#status', (n) => n.textContent)).match(/Done in ([\d.]+) s/)[1]));
    await browser.close();
  }
  console.log(`${version}, ${runs} browsers (fastest / median / slowest, s):`);
  console.log(`  open until ready          ${summary(figures.open)}`);
  console.log(`  first example analysis    ${summary(figures.first)}`);
  console.log(`  example analysis again    ${summary(figures.again)}`);
  console.log(`  the page's "Done in" (again) ${summary(figures.engine)}`);
}
