// The page in Firefox (Debian's firefox-esr, driven by puppeteer-core over WebDriver BiDi), opened
// from disk as a user opens it: the main flows the Chromium test covers, in the other engine.
// The engine starts on opening; the example gives the pipeline's report (as downloaded),
// kelvaro-tidy's table#parameters and its summary line, a golden input gives the golden report,
// a malformed CSV shows kelvaro-prep's message in the page's words and the state `error`, letters
// in the seed are refused, a Darwin Core archive gives kelvaro-batch's tables, axe-core finds nothing serious, the page reads at 200% zoom and on a
// 360 px phone and runs from the keyboard, and it makes no network request at all.
//   node firefox-test.mjs PAGE.html BUILD [SCREENSHOTS_DIR]
import puppeteer from 'puppeteer-core';
import { existsSync, mkdtempSync, mkdirSync, readFileSync, readdirSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import * as common from './common.mjs';

const { root, exampleFiles, tableCsvInPage } = common;
const [pagePath, build, shots = join(build, 'web-test')] = process.argv.slice(2);
const firefox = process.env.FIREFOX || '/usr/bin/firefox-esr';
if (!existsSync(firefox)) {
  console.log(`firefox-test: ${firefox} is missing (tools/install-deps.sh web installs Debian's firefox-esr)`);
  process.exit(1);
}
mkdirSync(shots, { recursive: true });
const work = mkdtempSync(join(tmpdir(), 'kelvaro-firefox-'));
const downloads = join(work, 'downloads');
mkdirSync(downloads);
const run = (name, args, input, cwd = root) => common.run(build, name, args, input, cwd);
const { check, counts } = common.checker();

let browser;
let page;
async function fail(e) {
  console.log(`FAIL: ${e && e.message ? e.message.slice(0, 2000) : e}`);
  if (page) {
    console.log('page status:', await page.$eval('#status', (n) => n.textContent).catch(() => '?'),
      '| error:', await page.$eval('#error-message', (n) => n.textContent).catch(() => '?'));
  }
  if (browser) await browser.close().catch(() => {});
  process.exit(1);
}
// An error escaping the test would be printed with the engine's whole (one-line) source.
process.removeAllListeners('uncaughtException');
process.on('uncaughtException', fail);
process.on('unhandledRejection', fail);

// Firefox saves each download into `downloads` without asking.
browser = await puppeteer.launch({
  browser: 'firefox',
  executablePath: firefox,
  headless: true,
  extraPrefsFirefox: {
    'browser.download.dir': downloads,
    'browser.download.folderList': 2,
    'browser.download.useDownloadDir': true,
    'browser.download.always_ask_before_handling_new_types': false,
    'browser.helperApps.neverAsk.saveToDisk': 'text/plain,text/csv,application/json,image/png,image/svg+xml',
  },
});
const pageUrl = pathToFileURL(resolve(pagePath)).href;
const requests = [];
const errors = [];

async function open(viewport) {
  const p = await browser.newPage();
  await p.setViewport(viewport);
  p.on('request', (r) => {
    if (!/^(data|blob):/.test(r.url()) && r.url() !== pageUrl) requests.push(r.url());
  });
  // Firefox reports what the page's content-security policy blocked as an error of the page.
  p.on('pageerror', (e) => (/Content-Security-Policy/.test(String(e)) ? requests : errors).push(String(e)));
  await p.goto(pageUrl);
  await p.waitForFunction(() => document.body.dataset.state === 'ready');
  return p;
}

async function finished(p = page) {
  await p.waitForFunction(() => ['done', 'error'].includes(document.body.dataset.state), { timeout: 120000 });
  return p.evaluate(() => document.body.dataset.state);
}

// Clicks a link and gives the bytes of the file Firefox saved: once it has a name without
// ".part" and its size holds still.
async function download(selector) {
  for (const name of readdirSync(downloads)) rmSync(join(downloads, name));
  await page.click(selector);
  const deadline = Date.now() + 20000;
  let last = -1;
  for (;;) {
    const names = readdirSync(downloads);
    const done = names.filter((n) => !n.endsWith('.part'));
    if (done.length === 1 && names.length === 1) {
      const size = statSync(join(downloads, done[0])).size;
      if (size > 0 && size === last) return readFileSync(join(downloads, done[0]), 'latin1');
      last = size;
    }
    if (Date.now() > deadline) throw new Error(`${selector}: no download (${names.join(' ')})`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

const tableCsv = (selector) => page.evaluate(tableCsvInPage, selector);
const text = (selector) => page.$eval(selector, (n) => n.textContent);
const chooseMode = (mode) => page.click(`input[name="mode"][value="${mode}"]`);
const choose = async (selector, file) => (await page.$(selector)).uploadFile(file);

page = await open({ width: 1200, height: 900 });
check('open: status says ready', (await page.$eval('#status', (n) => n.textContent)).startsWith('Ready'), true);

// Two site-by-species tables, run from the keyboard: the pipeline's report and tidy's tables.
{
  const expected = common.exampleExpected(build);
  const { report } = expected;
  await chooseMode('wide');
  await choose('#sample1', exampleFiles[0]);
  await choose('#sample2', exampleFiles[1]);
  await page.focus('#run');
  await page.keyboard.press('Enter');
  check('example: state', await finished(), 'done');
  check('example: focus on the summary', await page.evaluate(() => document.activeElement.id), 'results-summary');
  check('example: report download', await download('#download-report'), report);
  check('example: pre#report', await text('#report'), report);
  check('example: table#parameters', await tableCsv('#parameters'), expected.parameters);
  check('example: summary', await text('#results-summary'), 'N(1) 111 (83–169), N(2) 186 (120–237), PHI 0.98, LAMBDA 1.68 · 1 warning');
  check('example: JSON', await download('#download-json'), expected.json);
  const svg = await download('#chart-richness .download-svg');
  check('example: richness chart is SVG', /^<\?xml[^]*<svg[^]*<\/svg>$/.test(svg), true);
  check('example: richness SVG has its legend', svg.includes('>species observed</text>'), true);
  await page.waitForSelector('#chart-dynamics .download-png[href^="blob:"]');
  check('example: dynamics chart is PNG', (await download('#chart-dynamics .download-png')).slice(1, 4), 'PNG');
  await page.screenshot({ path: join(shots, 'firefox-example.png'), fullPage: true });
}

// A golden input gives the golden report.
{
  const name = 'range-adjust-off';
  const expected = readFileSync(join(root, 'tests/golden', name + '.out'), 'latin1');
  await chooseMode('text');
  await choose('#input-file', join(root, 'tests/golden', name + '.in'));
  await page.click('#run');
  check(`${name}: state`, await finished(), 'done');
  check(`${name}: report download`, await download('#download-report'), expected);
  check(`${name}: table#parameters`, await tableCsv('#parameters'), run('kelvaro-tidy', [], expected));
}

// A malformed CSV: kelvaro-prep's message and the state `error`.
{
  const { files, message } = common.malformedTables(build, work);
  await chooseMode('wide');
  await choose('#sample1', files[0]);
  await choose('#sample2', files[1]);
  await page.click('#run');
  check('malformed CSV: state', await finished(), 'error');
  check('malformed CSV: message', await text('#error-message'), message.replace(/^kelvaro-prep: /, ''));
  check('malformed CSV: the command\'s text', await text('#error-command-text'), message);
  check('malformed CSV: message shown', await page.$eval('#error', (n) => n.checkVisibility()), true);
  await page.screenshot({ path: join(shots, 'firefox-error.png') });
}

// Letters in the seed (Firefox lets them be typed in a number field): refused, not a clock seed.
{
  await page.click('#seed', { count: 3 });
  await page.keyboard.type('abc');
  await page.click('#run');
  check('letters in the seed: state', await finished(), 'error');
  check('letters in the seed: message', (await text('#error-message')).startsWith('Seed is empty or not a number'), true);
  await page.click('#seed', { count: 3 });
  await page.keyboard.type('400');
}

// A Darwin Core archive, unzipped by Firefox's DecompressionStream and its XML parsed by its
// DOMParser: kelvaro-batch's tables and source.json on the same zip.
{
  const archive = common.darwinCoreArchive(work);
  run('kelvaro-batch', ['--threads', '1', '-q', '-o', 'dwc-out', 'survey.zip'], '', work);
  await chooseMode('long');
  await choose('#long-table', archive.zip);
  await page.waitForFunction(() => document.body.dataset.state === 'ready' && document.querySelector('#group').options.length === 2);
  await page.click('#all-pairs');
  await page.click('#run');
  check('archive: state', await finished(), 'done');
  check('archive: parameters.csv', await download('#download-batch-parameters'), readFileSync(join(work, 'dwc-out/parameters.csv'), 'latin1'));
  check('archive: source.json', await download('#batch-citation .download-source'), readFileSync(join(work, 'dwc-out/source.json'), 'latin1'));
  await page.click('#all-pairs');
  await chooseMode('wide');
}

// axe-core's serious and critical findings after a run.
await page.click('#use-example');
check('example again: state', await finished(), 'done');
await page.evaluate(common.axeSource);
check('axe-core: after the example', await page.evaluate(common.axeViolationsInPage), '');

// At 200% zoom (half the width, twice the pixels) and on a 360 px phone: the tabs and the example
// from the keyboard, no sideways scrolling, chart text of 11 px or more.
{
  const zoomed = await open({ width: 600, height: 800, deviceScaleFactor: 2 });
  await zoomed.focus('#tab-analyse');
  await zoomed.keyboard.press('ArrowRight');
  check('keyboard: arrow to the Plan tab', await zoomed.$eval('#panel-plan', (n) => !n.hidden), true);
  await zoomed.keyboard.press('ArrowLeft');
  await zoomed.focus('#use-example');
  await zoomed.keyboard.press('Enter');
  check('keyboard: example analysed', await finished(zoomed), 'done');
  const layout = await zoomed.evaluate(common.layoutInPage);
  check('200% zoom: no sideways scrolling', layout.overflow, 0);
  check('200% zoom: chart text of 11 px or more', layout.smallest >= 11 || layout.smallest, true);
  await zoomed.screenshot({ path: join(shots, 'firefox-zoom-200.png') });
  await zoomed.close();
  const phone = await open({ width: 360, height: 780 });
  await phone.click('#use-example');
  check('phone: example analysed', await finished(phone), 'done');
  const fits = await phone.evaluate(common.layoutInPage);
  check('phone: no sideways scrolling', fits.overflow, 0);
  check('phone: chart text of 11 px or more', fits.smallest >= 11 || fits.smallest, true);
  await phone.screenshot({ path: join(shots, 'firefox-phone.png'), fullPage: true });
  await phone.close();
}

check('no network request', requests.join(' '), '');
check('no script error', errors.join(' '), '');
await browser.close();
rmSync(work, { recursive: true, force: true });
console.log(`firefox: ${counts.passed} passed, ${counts.failed} failed`);
process.exit(counts.failed === 0 ? 0 : 1);
