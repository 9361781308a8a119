// The page in headless Chromium (Debian's, driven by playwright-core), opened from disk as a
// user opens it: on the example data and on golden inputs, the downloaded report is the
// command's bytes and table#parameters is kelvaro-tidy's table; a malformed CSV shows
// kelvaro-prep's message and the state `error`; Cancel stops a long run; a long table gives
// kelvaro-batch's tables; and the page makes no network request at all.
//   node page-test.mjs PAGE.html BUILD [SCREENSHOTS_DIR]
import { chromium } from 'playwright-core';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync, mkdirSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { resolve, dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import * as common from './common.mjs';

const { root, exampleFiles, tableCsvInPage } = common;
const [pagePath, build, shots = join(build, 'web-test')] = process.argv.slice(2);
mkdirSync(shots, { recursive: true });
const work = mkdtempSync(join(tmpdir(), 'kelvaro-web-'));

const program = (name) => common.program(build, name);
const run = (name, args, input, cwd = root) => common.run(build, name, args, input, cwd);

// An error escaping the test would be printed with the engine's whole (one-line) source.
process.removeAllListeners('uncaughtException');
async function fail(e) {
  console.log(`FAIL: ${e && e.message ? e.message.slice(0, 2000) : e}`);
  // What the page said at the time.
  if (globalThis.page) {
    console.log('page status:', await globalThis.page.textContent('#status').catch(() => '?'),
      '| error:', await globalThis.page.textContent('#error-message').catch(() => '?'));
  }
  process.exit(1);
}
process.on('uncaughtException', fail);
process.on('unhandledRejection', fail);

const { check, counts } = common.checker();

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
});
const context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1200, height: 900 } });
const requests = [];
context.on('request', (r) => {
  if (!/^(data|blob):/.test(r.url()) && r.url() !== pathToFileURL(resolve(pagePath)).href) requests.push(r.url());
});
const page = await context.newPage();
globalThis.page = page;
const errors = [];
page.on('pageerror', (e) => errors.push(String(e)));
await page.goto(pathToFileURL(resolve(pagePath)).href);
await page.waitForFunction(() => document.body.dataset.state === 'ready');

async function finished() {
  await page.waitForFunction(() => ['done', 'error'].includes(document.body.dataset.state), null, { timeout: 120000 });
  return page.evaluate(() => document.body.dataset.state);
}

async function download(selector) {
  const [d] = await Promise.all([page.waitForEvent('download'), page.click(selector)]);
  return readFileSync(await d.path(), 'latin1');
}

// table#parameters as kelvaro-tidy's CSV: header and cells joined by commas, rows by CR LF.
async function tableCsv(selector) {
  return page.evaluate(tableCsvInPage, selector);
}

// kelvaro's warnings for an input, without their "kelvaro: warning: " prefix.
function warningsOf(input) {
  const r = spawnSync(program('kelvaro'), [input], { encoding: 'latin1' });
  return r.stderr.split('\n').filter((l) => l.startsWith('kelvaro: warning: '))
    .map((l) => l.slice('kelvaro: warning: '.length)).join('\n');
}

async function analyse(setUp) {
  await setUp();
  await page.click('#run');
  return finished();
}

// Does the example (two site-by-species tables) give the pipeline's report and tables?
{
  const expected = common.exampleExpected(build);
  const { report } = expected;
  const state = await analyse(async () => {
    await page.check('input[name="mode"][value="wide"]');
    await page.setInputFiles('#sample1', exampleFiles[0]);
    await page.setInputFiles('#sample2', exampleFiles[1]);
  });
  check('example: state', state, 'done');
  check('example: report download', await download('#download-report'), report);
  check('example: pre#report', await page.textContent('#report'), report);
  check('example: table#parameters', await tableCsv('#parameters'), expected.parameters);
  check('example: table#blocks', await tableCsv('#blocks'), expected.blocks);
  check('example: table#estimators', await tableCsv('#estimators'), expected.estimators);
  check('example: estimators.csv', await download('#download-estimators'), expected.estimators);
  check('example: parameters.csv', await download('#download-parameters'), expected.parameters);
  check('example: JSON', await download('#download-json'), expected.json);
  const svg = await download('#chart-richness .download-svg');
  check('example: richness chart is SVG', /^<\?xml[^]*<svg[^]*<\/svg>$/.test(svg), true);
  // the chart itself, not a swatch of its legend
  check('example: richness SVG is the chart', /^<svg[^>]* width="560"/.test(svg.slice(svg.indexOf('<svg'))), true);
  check('example: richness chart shows the estimators', (svg.match(/<title>(Chao2|jack1|jack2|bootstrap) /g) || []).length, 8);
  // its legends and caption go with it: the file explains its own symbols
  check('example: richness SVG has the legends', ['Chao2', 'jack1', 'jack2', 'bootstrap', 'species observed', 'richness estimate']
    .filter((label) => !svg.includes(`>${label}</text>`)).join(' '), '');
  check('example: richness SVG has the caption', svg.includes('>Each sample: species observed'), true);
  await page.waitForSelector('#chart-dynamics .download-png[href^="blob:"]');
  const png = await download('#chart-dynamics .download-png');
  check('example: dynamics chart is PNG', png.slice(1, 4), 'PNG');
  check('example: bootstrap charts', await page.locator('#chart-bootstrap svg').count() >= 5, true);
  await page.screenshot({ path: join(shots, 'example.png'), fullPage: true });
}

// Do golden inputs (kelvaro's own input files) give the golden reports?
for (const name of ['equal-t', 'range-adjust-off']) {
  const input = join(root, 'tests/golden', name + '.in');
  const expected = readFileSync(join(root, 'tests/golden', name + '.out'), 'latin1');
  const state = await analyse(async () => {
    await page.check('input[name="mode"][value="text"]');
    await page.setInputFiles('#input-file', input);
  });
  check(`${name}: state`, state, 'done');
  check(`${name}: report download`, await download('#download-report'), expected);
  check(`${name}: table#parameters`, await tableCsv('#parameters'), run('kelvaro-tidy', [], expected));
  check(`${name}: table#estimators`, await tableCsv('#estimators'), run('kelvaro-tidy', ['--table', 'estimators'], expected));
}

// Are a run's warnings shown, each with its line and block, as kelvaro prints them?
{
  const input = join(root, 'tests/golden', 'few-replicates.in');
  const state = await analyse(async () => {
    await page.check('input[name="mode"][value="text"]');
    await page.setInputFiles('#input-file', input);
  });
  check('warnings: state', state, 'done');
  const shown = await page.$$eval('#warnings li', (items) => items.map((li) => li.textContent).join('\n'));
  check('warnings: as kelvaro prints them', shown, warningsOf(input));
}

// Does a malformed CSV show kelvaro-prep's message and the state `error`?
{
  const { files, message } = common.malformedTables(build, work);
  const state = await analyse(async () => {
    await page.check('input[name="mode"][value="wide"]');
    await page.setInputFiles('#sample1', files[0]);
    await page.setInputFiles('#sample2', files[1]);
  });
  check('malformed CSV: state', state, 'error');
  check('malformed CSV: message', await page.textContent('#error-message'), message);
  check('malformed CSV: message shown', await page.isVisible('#error-message'), true);
  await page.screenshot({ path: join(shots, 'error.png'), fullPage: true });
}

// Does Cancel stop a long run at once, and does the page run again afterwards?
{
  // Two tables of 20000 species at 60 sites: 10000 replicates take far longer than the test waits.
  let seed = 7;
  const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
  for (const name of ['big1.csv', 'big2.csv']) {
    const species = Array.from({ length: 20000 }, (_, i) => `sp${i}`);
    const lines = ['site,' + species.join(',')];
    for (let site = 1; site <= 60; site += 1) {
      lines.push(`s${site},` + species.map(() => (random() < 0.02 ? 1 : 0)).join(','));
    }
    writeFileSync(join(work, name), lines.join('\n') + '\n');
  }
  await page.check('input[name="mode"][value="wide"]');
  await page.setInputFiles('#sample1', join(work, 'big1.csv'));
  await page.setInputFiles('#sample2', join(work, 'big2.csv'));
  await page.fill('#nreps', '10000');
  await page.click('#run');
  await page.waitForFunction(() => document.body.dataset.state === 'running');
  await page.waitForFunction(() => document.querySelector('#progress').value > 0, null, { timeout: 60000 });
  await page.screenshot({ path: join(shots, 'running.png') });
  await page.click('#cancel');
  await page.waitForFunction(() => document.body.dataset.state === 'cancelled', null, { timeout: 5000 });
  check('cancel: state', await page.evaluate(() => document.body.dataset.state), 'cancelled');
  await page.fill('#nreps', '50');
  await page.setInputFiles('#sample1', join(root, 'examples/data/plots-1-25.csv'));
  await page.setInputFiles('#sample2', join(root, 'examples/data/plots-26-50.csv'));
  await page.click('#run');
  check('after cancel: state', await finished(), 'done');
}

// Does a long table give kelvaro-batch's tables, for one pair and for every consecutive pair?
{
  const rows = ['route,year,stop,species,count'];
  const tables = { 2019: 'ditches-week-4.csv', 2020: 'ditches-week24.csv', 2021: 'plots-1-25.csv' };
  for (const [group, years] of [['A', [2019, 2020, 2021]], ['B', [2020, 2021]]]) {
    for (const year of years) {
      const [header, ...lines] = readFileSync(join(root, 'examples/data', tables[year]), 'utf8').trim().split(/\r?\n/);
      const species = header.split(',').slice(1);
      for (const line of lines.slice(0, 10)) {
        const [site, ...cells] = line.split(',');
        cells.forEach((c, i) => { if (Number(c) > 0) rows.push(`${group},${year},${site},${species[i]},1`); });
        rows.push(`${group},${year},${site},,0`);
      }
    }
  }
  writeFileSync(join(work, 'survey.csv'), rows.join('\n') + '\n');
  const columns = ['--group', 'route', '--sample', 'year', '--site', 'stop'];
  run('kelvaro-batch', [...columns, '--threads', '1', '-q', '--reports', '-o', 'out', 'survey.csv'], '', work);
  await page.check('input[name="mode"][value="long"]');
  await page.click('#mode-long summary');
  await page.fill('#col-group', 'route');
  await page.fill('#col-sample', 'year');
  await page.fill('#col-site', 'stop');
  await page.setInputFiles('#long-table', join(work, 'survey.csv'));
  await page.waitForFunction(() => document.querySelector('#group').options.length === 2);
  await page.selectOption('#group', 'A');
  await page.selectOption('#first-sample', '2020');
  await page.selectOption('#second-sample', '2021');
  await page.click('#run');
  check('long pair: state', await finished(), 'done');
  const pairReport = readFileSync(join(work, 'out/reports/A/2020-2021.txt'), 'latin1');
  check('long pair: report', await download('#download-report'), pairReport);
  check('long pair: table#estimators', await tableCsv('#estimators'), run('kelvaro-tidy', ['--table', 'estimators'], pairReport));
  const pairRows = (t) => readFileSync(join(work, 'out', t + '.csv'), 'latin1').split('\r\n')
    .filter((line, i) => i === 0 || line.startsWith('A,2020,2021,')).map((line) => line + '\r\n').join('');
  for (const t of ['parameters', 'estimators']) {
    check(`long pair: batch ${t}.csv`, await download(`#download-batch-${t}`), pairRows(t));
  }
  await page.check('#all-pairs');
  await page.click('#run');
  check('batch: state', await finished(), 'done');
  for (const t of ['parameters', 'blocks', 'tests', 'estimators', 'problems']) {
    check(`batch: ${t}.csv`, await download(`#download-batch-${t}`), readFileSync(join(work, 'out', t + '.csv'), 'latin1'));
  }
  await page.screenshot({ path: join(shots, 'batch.png'), fullPage: true });
}

if (process.env.SKIP_PLAN) {} else
// Does the Plan tab give kelvaro-plan's table, and name the smallest design meeting the target?
{
  const args = ['--species', '100', '--persistence', '0.8', '--colonists', '20', '--detection', '0.1',
    '--heterogeneity', '0.5', '--sites', '5,10,20', '--surveys', '10', '--nreps', '10', '--seed', '400',
    '--target', 'N(1):bias<=0.1,coverage>=0.9'];
  const planned = spawnSync(program('kelvaro-plan'), [...args, '-q', '-o', 'plan.csv'], { cwd: work, encoding: 'latin1' });
  const answer = planned.stderr.split('\n').find((l) => l.startsWith('kelvaro-plan: ')).slice('kelvaro-plan: '.length);
  await page.click('#tab-plan');
  await page.fill('#plan-detection', '0.1');
  await page.fill('#plan-heterogeneity', '0.5');
  await page.fill('#plan-sites', '5,10,20');
  await page.fill('#plan-surveys', '10');
  await page.fill('#plan-nreps', '10');
  await page.click('#plan-run');
  check('plan: state', await finished(), 'done');
  check('plan: plan.csv', await download('#plan-download'), readFileSync(join(work, 'plan.csv'), 'latin1'));
  check('plan: answer', (await page.textContent('#plan-answer')).toLowerCase(), (answer + '.').toLowerCase());
  check('plan: chart', await page.locator('#plan-chart svg').count() > 0, true);
  await page.screenshot({ path: join(shots, 'plan.png'), fullPage: true });
}

// Can it be used from the keyboard alone, and read at 200% zoom (half the width, twice the
// pixels) without the page scrolling sideways?
{
  const zoomed = await context.newPage();
  await zoomed.setViewportSize({ width: 600, height: 800 });
  await zoomed.goto(pathToFileURL(resolve(pagePath)).href);
  await zoomed.waitForFunction(() => document.body.dataset.state === 'ready');
  await zoomed.focus('#tab-analyse');
  await zoomed.keyboard.press('ArrowRight');
  check('keyboard: arrow to the Plan tab', await zoomed.isVisible('#panel-plan'), true);
  await zoomed.keyboard.press('ArrowLeft');
  await zoomed.focus('#use-example');
  await zoomed.keyboard.press('Enter');
  await zoomed.waitForFunction(() => ['done', 'error'].includes(document.body.dataset.state));
  check('keyboard: example analysed', await zoomed.evaluate(() => document.body.dataset.state), 'done');
  const widths = await zoomed.evaluate(() => [document.documentElement.scrollWidth, document.documentElement.clientWidth]);
  check('200% zoom: no sideways scrolling', widths[0] <= widths[1], true);
  const unlabelled = await zoomed.$$eval('input, select', (controls) => controls
    .filter((c) => !(c.labels && c.labels.length) && !c.getAttribute('aria-label')).map((c) => c.id || c.name));
  check('every control has a label', unlabelled.join(' '), '');
  await zoomed.close();
}

check('no network request', requests.join(' '), '');
check('no script error', errors.join(' '), '');
check('nothing else in build/web', readdirSync(dirname(resolve(pagePath))).join(' '), 'kelvaro.html');
await browser.close();
rmSync(work, { recursive: true, force: true });
console.log(`page: ${counts.passed} passed, ${counts.failed} failed`);
process.exit(counts.failed === 0 ? 0 : 1);
