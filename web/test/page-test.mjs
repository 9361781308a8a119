// The page in headless Chromium (Debian's, driven by playwright-core), opened from disk as a
// user opens it: the engine starts at once and the page says it is ready; on the example data and
// on golden inputs, the downloaded report is the command's bytes, the tables are kelvaro-tidy's
// (shown rounded as the report rounds) and the richness curves the library's; the results are
// summed up in one line that takes the focus, and marked once the input changes; input the programs refuse, or that is
// no table, gets a message in the page's words (the command's text beside it); Cancel stops a
// long run; a long table gives kelvaro-batch's tables, with or without a group column, its
// missing columns named at once and its problems and charts on screen; a Darwin Core archive (a
// zip, or its files chosen together) gives kelvaro-batch's tables, report and source.json with
// the data's citation shown, and a zip that is no archive is refused; the Plan tab has
// kelvaro-plan's defaults, table and answer, with a pilot each design's assurance; axe-core finds nothing serious before or after a
// run in any tab; nothing scrolls sideways on a 360 px phone or at 200% zoom, and chart text
// stays at 11 px or more; and the page makes no network request at all.
//   node page-test.mjs PAGE.html BUILD [SCREENSHOTS_DIR]
import { chromium } from 'playwright-core';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync, mkdirSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { resolve, dirname, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import * as common from './common.mjs';
import { SHOWN_DECIMALS, rounded } from '../src/tables.js';
import { forPage, planAnswer } from '../src/messages.js';

const { root, exampleFiles, tableCsvInPage } = common;
const [pagePath, build, shots = join(build, 'web-test')] = process.argv.slice(2);
mkdirSync(shots, { recursive: true });
const work = mkdtempSync(join(tmpdir(), 'kelvaro-web-'));
const pageUrl = pathToFileURL(resolve(pagePath)).href;

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
  if (!/^(data|blob):/.test(r.url()) && r.url() !== pageUrl) requests.push(r.url());
});
const errors = [];

// A fresh page, opened from disk, once its engine is ready.
async function open(viewport) {
  const p = await context.newPage();
  if (viewport) await p.setViewportSize(viewport);
  p.on('pageerror', (e) => errors.push(String(e)));
  await p.goto(pageUrl);
  await p.waitForFunction(() => document.body.dataset.state === 'ready');
  return p;
}

const page = await open();
globalThis.page = page;

// Does the engine start when the page opens, and the page say so?
check('open: status says ready', (await page.textContent('#status')).startsWith('Ready'), true);

async function finished(p = page) {
  await p.waitForFunction(() => ['done', 'error'].includes(document.body.dataset.state), null, { timeout: 180000 });
  return p.evaluate(() => document.body.dataset.state);
}

async function download(selector) {
  const [d] = await Promise.all([page.waitForEvent('download'), page.click(selector)]);
  return readFileSync(await d.path(), 'latin1');
}

async function tableCsv(selector) {
  return page.evaluate(tableCsvInPage, selector);
}

const text = (selector, p = page) => p.textContent(selector);

// axe-core's serious and critical findings on the page as it is.
async function accessibility(name, p = page) {
  await p.evaluate(common.axeSource);
  check(`axe-core: ${name}`, await p.evaluate(common.axeViolationsInPage), '');
}

async function everyTab(name, p = page) {
  for (const tab of ['#tab-plan', '#tab-help', '#tab-analyse']) {
    await p.click(tab);
    await accessibility(`${name}, ${tab.slice(5)} tab`, p);
  }
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

// Is the page free of serious accessibility problems before any run?
await everyTab('before a run');

// Does the example (two site-by-species tables) give the pipeline's report and tables, shown
// rounded as the report rounds them and downloaded with every digit?
{
  const expected = common.exampleExpected(build);
  const { report } = expected;
  const state = await analyse(async () => {
    await page.check('input[name="mode"][value="wide"]');
    await page.setInputFiles('#sample1', exampleFiles[0]);
    await page.setInputFiles('#sample2', exampleFiles[1]);
  });
  check('example: state', state, 'done');
  check('example: focus on the summary', await page.evaluate(() => document.activeElement.id), 'results-summary');
  check('example: report download', await download('#download-report'), report);
  check('example: pre#report', await text('#report'), report);
  check('example: table#parameters', await tableCsv('#parameters'), expected.parameters);
  check('example: table#blocks', await tableCsv('#blocks'), common.roundedCsv(expected.blocks, SHOWN_DECIMALS.blocks, rounded));
  check('example: table#estimators', await tableCsv('#estimators'), common.roundedCsv(expected.estimators, SHOWN_DECIMALS.estimators, rounded));
  check('example: estimators.csv', await download('#download-estimators'), expected.estimators);
  check('example: blocks.csv', await download('#download-blocks'), expected.blocks);
  check('example: parameters.csv', await download('#download-parameters'), expected.parameters);
  check('example: JSON', await download('#download-json'), expected.json);
  check('example: the two roundings of N(1) explained', (await text('#blocks-note')).includes('N(1) 110.96 (Sample 1 111)'), true);
  // The summary line at the top of the results has the focus, and names the files and settings.
  check('example: summary', await text('#results-summary'), 'N(1) 111 (83–169), N(2) 186 (120–237), PHI 0.98, LAMBDA 1.68 · 1 warning');
  check('example: source', await text('#results-source'),
    'From ditches-week-4.csv (Sample 1) and ditches-week24.csv (Sample 2); 50 bootstrap replicates, seed 400, range adjustment on.');
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
  // The richness curves: the library's tables to download, the comparison shown rounded, and a
  // chart whose file carries its legend and caption.
  check('example: curves.csv', await download('#download-curves'), expected.curves);
  check('example: standardised.csv', await download('#download-standardised'), expected.standardised);
  check('example: table#standardised', await tableCsv('#standardised'), common.roundedCsv(expected.standardised, SHOWN_DECIMALS.standardised, rounded));
  check('example: comparison in words', (await text('#curves-comparison')).startsWith('At equal effort (12 sites): Sample 1 83.0 species (77.1 to 88.9), Sample 2 95.0 (86.3 to 103.7).'), true);
  const curvesSvg = await download('#chart-curves .download-svg');
  check('example: curves SVG has its legend and caption', ['>Sample 1</text>', '>Sample 2</text>', '>Expected species in']
    .filter((label) => !curvesSvg.includes(label)).join(' '), '');
  check('example: coverage chart', await page.locator('#chart-coverage svg').count() >= 1, true);
  await page.screenshot({ path: join(shots, 'example.png'), fullPage: true });
  await everyTab('after the example');
  // A new file marks the results as the earlier input's.
  check('example: not marked before a change', await page.isVisible('#stale-note'), false);
  await page.setInputFiles('#sample1', exampleFiles[1]);
  check('example: marked once the input changes', (await text('#stale-note')).includes('earlier input (ditches-week-4.csv'), true);
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
  check(`${name}: table#estimators`, await tableCsv('#estimators'),
    common.roundedCsv(run('kelvaro-tidy', ['--table', 'estimators'], expected), SHOWN_DECIMALS.estimators, rounded));
  check(`${name}: source`, (await text('#results-source')).startsWith(`From ${name}.in (its header: `), true);
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

// Is input that cannot be analysed refused in the page's words, with the command's own text
// beside them when there is one, the field at fault marked and focused?
{
  const { files, message } = common.malformedTables(build, work);
  const png = join(work, 'photo.csv');
  writeFileSync(png, Buffer.from([0x89, 0x50, 0x4e, 0x47, 13, 10, 26, 10, 0, 0, 0, 13]));
  const golden = (name) => join(root, 'tests/golden', name);
  const badInteger = readFileSync(golden('read-error-bad-integer.err'), 'latin1');
  const wide = (a, b) => async () => {
    await page.check('input[name="mode"][value="wide"]');
    await page.setInputFiles('#sample1', a);
    await page.setInputFiles('#sample2', b);
  };
  const input = (file) => async () => {
    await page.check('input[name="mode"][value="text"]');
    await page.setInputFiles('#input-file', file);
  };
  const option = (id, value) => async () => {
    await wide(...exampleFiles)();
    await page.fill(id, value);
  };
  const cases = [
    // name, set-up, the message (text or pattern), the command's text, the field marked
    ['malformed CSV', wide(...files), message.replace(/^kelvaro-prep: /, ''), message, null],
    ['a PNG renamed .csv', wide(png, exampleFiles[1]), /^photo\.csv is not a CSV table: it looks like a PNG image\. /, '', '#sample1'],
    ['a CSV as kelvaro input', input(exampleFiles[0]), /^ditches-week-4\.csv looks like a table, not a kelvaro input/, '', '#input-file'],
    ['a kelvaro input kelvaro refuses', input(golden('read-error-bad-integer.in')),
      `The kelvaro input could not be read: ${badInteger.split('\n')[0].replace(/^kelvaro: /, '')}.`, badInteger, null],
    ['empty replicates', option('#nreps', ''), /^Bootstrap replicates is empty or not a number: give a whole number from 0 to 10000\./, '', '#nreps'],
    ['replicates out of range', option('#nreps', '20000'), /^Bootstrap replicates: 20000 is not a whole number from 0 to 10000\./, '', '#nreps'],
    ['empty seed', option('#seed', ''), /^Seed is empty or not a number: give a whole number/, '', '#seed'],
  ];
  for (const [name, setUp, expected, command, field] of cases) {
    check(`${name}: state`, await analyse(setUp), 'error');
    const shown = await text('#error-message');
    check(`${name}: message`, expected instanceof RegExp ? expected.test(shown) || shown : shown, expected instanceof RegExp ? true : expected);
    check(`${name}: no command-line flag or program name`, /--[a-z]|kelvaro(-prep|-batch)?:/.test(shown), false);
    check(`${name}: message shown`, await page.isVisible('#error-message'), true);
    check(`${name}: the command's text`, await page.evaluate(() => (document.querySelector('#error-command').hidden ? '' : document.querySelector('#error-command-text').textContent)), command);
    if (field) check(`${name}: field marked and focused`, await page.evaluate(() => `${document.activeElement.id} ${document.activeElement.getAttribute('aria-invalid')}`), `${field.slice(1)} true`);
    await page.fill('#nreps', '50');
    await page.fill('#seed', '400');
  }
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

// Does a long table give kelvaro-batch's tables, for one pair and for every consecutive pair;
// are its missing columns named at once and picked from its header; and is a table without a
// group column one group?
{
  const tables = common.longTables(work);
  run('kelvaro-batch', [...tables.columns, '--threads', '1', '-q', '--reports', '-o', 'out', 'survey.csv'], '', work);
  const batchTable = (t) => readFileSync(join(work, 'out', t + '.csv'), 'latin1');
  await page.check('input[name="mode"][value="long"]');
  await page.setInputFiles('#long-table', tables.grouped);
  await page.waitForFunction(() => document.body.dataset.state === 'error');
  check('missing columns: every one named', await text('#error-message'),
    'survey.csv has no column "group" (the group), "sample" (the sample) and "site" (the site). Its columns are "route", "year", '
    + '"stop", "species" and "count": pick the right ones under "Column names", or "none" for a table without groups.');
  check('missing columns: the command\'s text', await text('#error-command-text'),
    common.refusal(build, 'kelvaro-batch', ['-o', 'out-refused', 'survey.csv'], work).message);
  check('missing columns: the section open', await page.evaluate(() => document.querySelector('#columns').open), true);
  check('missing columns: drop-downs of the header', JSON.stringify(await page.$$eval('#col-site-pick option:not([disabled])', (o) => o.map((x) => x.value))),
    JSON.stringify(['route', 'year', 'stop', 'species', 'count']));
  await page.screenshot({ path: join(shots, 'missing-columns.png'), fullPage: true });
  for (const [role, column] of [['group', 'route'], ['sample', 'year'], ['site', 'stop']]) {
    await page.selectOption(`#col-${role}-pick`, column);
    await page.waitForFunction((c) => document.querySelector('#col-' + c[0]).value === c[1], [role, column]);
  }
  await page.waitForFunction(() => document.querySelector('#group').options.length === 2);
  await page.selectOption('#group', 'A');
  await page.selectOption('#first-sample', '2021');
  await page.selectOption('#second-sample', '2021');
  await page.click('#run');
  check('same samples: refused', await finished(), 'error');
  check('same samples: message', await text('#error-message'), 'Sample 1 and Sample 2 are both "2021": choose two different samples (the ⇄ button swaps them).');
  await page.selectOption('#first-sample', '2020');
  await page.click('#swap-samples');
  await page.click('#swap-samples');
  await page.click('#run');
  check('long pair: state', await finished(), 'done');
  const pairReport = readFileSync(join(work, 'out/reports/A/2020-2021.txt'), 'latin1');
  check('long pair: report', await download('#download-report'), pairReport);
  check('long pair: source', await text('#results-source'), 'From survey.csv, group A, samples 2020 (Sample 1) and 2021 (Sample 2); 50 bootstrap replicates, seed 400, range adjustment on.');
  const pairRows = (t) => batchTable(t).split('\r\n')
    .filter((line, i) => i === 0 || line.startsWith('A,2020,2021,')).map((line) => line + '\r\n').join('');
  for (const t of ['parameters', 'estimators']) {
    check(`long pair: batch ${t}.csv`, await download(`#download-batch-${t}`), pairRows(t));
  }
  // Every pair with seed 0: kelvaro-batch's refusal, in the page's words.
  await page.check('#all-pairs');
  await page.fill('#seed', '0');
  await page.click('#run');
  check('every pair, seed 0: refused', await finished(), 'error');
  const seedZero = common.refusal(build, 'kelvaro-batch', [...tables.columns, '--seed', '0', '-o', 'out-refused', 'survey.csv'], work);
  check('every pair, seed 0: kelvaro-batch refuses it too', seedZero.status, 2);
  check('every pair, seed 0: its message', await text('#error-message'), forPage(seedZero.message.replace(/^kelvaro-batch: /, '')));
  await page.fill('#seed', '400');
  await page.click('#run');
  check('batch: state', await finished(), 'done');
  check('batch: focus on the summary', await page.evaluate(() => document.activeElement.id), 'batch-summary');
  for (const t of ['parameters', 'blocks', 'tests', 'estimators', 'problems']) {
    check(`batch: ${t}.csv`, await download(`#download-batch-${t}`), batchTable(t));
  }
  // the problems on screen, each with its pair
  const problems = common.problemRows(batchTable('problems'));
  check('batch: problems on screen, each with its pair', await page.$$eval('#batch-problems li', (items) => items.map((li) => li.textContent).join('\n')),
    problems.map((p) => `${p.group}: ${p.sample1} → ${p.sample2} (${p.kind.replace(/_/g, ' ')}): ${p.message}`).join('\n'));
  check('batch: a group\'s richness across its samples', await page.locator('#chart-batch-richness svg[role="img"]').count(), 1);
  check('batch: chart groups', JSON.stringify(await page.$$eval('#batch-group option', (o) => o.map((x) => x.textContent))), JSON.stringify(['A', 'B']));
  await page.selectOption('#batch-group', '1');
  check('batch: group B\'s chart', (await page.getAttribute('#chart-batch-richness svg[role="img"]', 'aria-label')).includes('Group B'), true);
  check('batch: LAMBDA across the pairs', (await page.$$eval('#chart-batch-lambda svg[role="img"] title', (t) => t.length)), 3);
  await page.screenshot({ path: join(shots, 'batch.png'), fullPage: true });
  await everyTab('after every pair');

  // The same table without its group column: one group, as kelvaro-batch analyses group A.
  await page.uncheck('#all-pairs');
  await page.setInputFiles('#long-table', tables.ungrouped);
  await page.waitForFunction(() => document.body.dataset.state === 'error');
  await page.selectOption('#col-group-pick', '');
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  check('no group column: status', (await text('#status')).includes('no group column: one group of 3 samples'), true);
  check('no group column: no group to pick', await page.isVisible('#group'), false);
  await page.selectOption('#first-sample', '2020');
  await page.selectOption('#second-sample', '2021');
  await page.click('#run');
  check('no group column: state', await finished(), 'done');
  check('no group column: report', await download('#download-report'), pairReport);
  await page.check('#all-pairs');
  await page.click('#run');
  check('no group column, every pair: state', await finished(), 'done');
  check('no group column, every pair: parameters.csv', await download('#download-batch-parameters'), common.groupRowsUngrouped(batchTable('parameters'), 'A'));
  await page.uncheck('#all-pairs');
}

// Does a Darwin Core archive (a zip, or its files chosen together) give kelvaro-batch's tables,
// report and source.json on the same archive, with the archive's default terms to pick from and
// the data's citation beside the results; and is a zip that is no archive refused clearly?
{
  const archive = common.darwinCoreArchive(work);
  run('kelvaro-batch', ['--threads', '1', '-q', '--reports', '-o', 'dwc-out', 'survey.zip'], '', work);
  const batchFile = (t) => readFileSync(join(work, 'dwc-out', t), 'latin1');
  await page.check('input[name="mode"][value="long"]');
  await page.uncheck('#all-pairs');
  await page.setInputFiles('#long-table', archive.zip);
  await page.waitForFunction(() => document.body.dataset.state === 'ready' && document.querySelector('#group').options.length === 2);
  check('archive: status', await text('#status'), 'survey.zip (Darwin Core archive): 2940 records in 2 groups. Pick a group and two samples, or every pair.');
  check('archive: the default terms picked', JSON.stringify(await page.$$eval('.col-pick', (s) => s.map((x) => x.value))),
    JSON.stringify(['locationID', 'year', 'eventID', 'scientificName', '']));
  check('archive: how it was read', (await text('#archive-description')).startsWith('survey.zip (Darwin Core archive: Event core event.txt, Occurrence extension occurrence.txt)'), true);
  await page.selectOption('#group', 'A');
  await page.selectOption('#first-sample', '2020');
  await page.selectOption('#second-sample', '2021');
  await page.click('#run');
  check('archive pair: state', await finished(), 'done');
  check('archive pair: report', await download('#download-report'), batchFile('reports/A/2020-2021.txt'));
  check('archive pair: source.json', await download('#results-citation .download-source'), batchFile('source.json'));
  check('archive pair: citation shown', (await text('#results-citation')).startsWith('Data: Ditch walks & forest plots by Ana Lind, Field Station North (2024-03-01).'), true);
  await page.check('#all-pairs');
  await page.click('#run');
  check('archive, every pair: state', await finished(), 'done');
  for (const t of ['parameters', 'blocks', 'tests', 'estimators', 'problems']) {
    check(`archive, every pair: ${t}.csv`, await download(`#download-batch-${t}`), batchFile(`${t}.csv`));
  }
  check('archive, every pair: source.json', await download('#batch-citation .download-source'), batchFile('source.json'));
  check('archive, every pair: licence shown', (await text('#batch-citation')).includes('Licence: This work is licensed under a Creative Commons Attribution (CC-BY 4.0) License.'), true);
  await page.screenshot({ path: join(shots, 'archive.png'), fullPage: true });
  await everyTab('after an archive');
  // The same files chosen together: the same tables.
  await page.setInputFiles('#long-table', archive.loose);
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  await page.click('#run');
  check('archive files chosen together: state', await finished(), 'done');
  check('archive files chosen together: parameters.csv', await download('#download-batch-parameters'), batchFile('parameters.csv'));
  // Another term for the site: the walks, as kelvaro-batch --site parentEventID reads them.
  await page.selectOption('#col-site-pick', 'parentEventID');
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  await page.click('#run');
  check('archive, site parentEventID: state', await finished(), 'done');
  run('kelvaro-batch', ['--threads', '1', '-q', '--site', 'parentEventID', '-o', 'dwc-walks', 'survey.zip'], '', work);
  check('archive, site parentEventID: problems.csv', await download('#download-batch-problems'), readFileSync(join(work, 'dwc-walks/problems.csv'), 'latin1'));
  // Taxa above species rank left out (every name of these tables is one word), as
  // --species-rank-only leaves them out; the archive's warnings name no command-line flag.
  check('archive: warnings in the page\'s words', /--[a-z]/.test(await text('#archive-warnings')), false);
  await page.check('#species-rank-only');
  await page.waitForFunction(() => document.body.dataset.state === 'ready');
  await page.click('#run');
  check('archive, species rank only: state', await finished(), 'done');
  run('kelvaro-batch', ['--threads', '1', '-q', '--site', 'parentEventID', '--species-rank-only', '-o', 'dwc-rank', 'survey.zip'], '', work);
  check('archive, species rank only: problems.csv', await download('#download-batch-problems'), readFileSync(join(work, 'dwc-rank/problems.csv'), 'latin1'));
  check('archive, species rank only: source.json', await download('#batch-citation .download-source'), readFileSync(join(work, 'dwc-rank/source.json'), 'latin1').replaceAll('survey.zip', 'chosen files'));
  await page.uncheck('#species-rank-only');
  // meta.xml that DOMParser cannot read, or nested deeper than the engine takes: refused, naming it.
  for (const [name, meta, expected] of [
    ['malformed meta.xml', '<archive><core rowType="x">', /^chosen files\/meta\.xml: not well-formed XML/],
    ['meta.xml nested too deep', '<a>'.repeat(70) + '</a>'.repeat(70), /^chosen files\/meta\.xml: elements nested more than 64 deep\.$/],
  ]) {
    const dir = join(work, name.replace(/\W+/g, '-'));
    mkdirSync(dir, { recursive: true });
    writeFileSync(join(dir, 'meta.xml'), meta);
    await page.evaluate(() => { document.querySelector('#error-message').textContent = ''; });
    await page.setInputFiles('#long-table', [join(dir, 'meta.xml'), ...archive.loose.slice(1, 3)]);
    await page.waitForFunction(() => document.body.dataset.state === 'error' && document.querySelector('#error-message').textContent !== '');
    const shown = await text('#error-message');
    check(`${name}: ${shown}`, expected.test(shown), true);
  }
  // A zip that is not an archive: refused, saying what it holds and what to choose.
  await page.evaluate(() => { document.querySelector('#error-message').textContent = ''; });
  await page.setInputFiles('#long-table', archive.notArchive);
  await page.waitForFunction(() => document.body.dataset.state === 'error' && document.querySelector('#error-message').textContent !== '');
  const refused = common.refusal(build, 'kelvaro-batch', ['-o', 'out-refused', 'notarchive.zip'], work);
  check('not an archive: kelvaro-batch refuses it too', refused.status, 2);
  check('not an archive: message', await text('#error-message'), refused.message.replace(/^kelvaro-batch: /, '')
    + '. Choose a Darwin Core archive (a zip with meta.xml, or with an event and an occurrence table), or a long table saved as CSV.');
  check('not an archive: the field marked', await page.getAttribute('#long-table', 'aria-invalid'), 'true');
  await page.uncheck('#all-pairs');
}

// Does every mode have an example that runs?
{
  await page.check('input[name="mode"][value="long"]');
  await page.click('#use-long-example');
  check('long example: state', await finished(), 'done');
  check('long example: summary', await text('#batch-summary'), '2 of 2 pairs analysed · 1 warning (listed below)');
  check('long example: its table to download', (await download('#download-long-example')).startsWith('group,sample,site,species,count\r\n'), true);
  await page.check('input[name="mode"][value="text"]');
  await page.click('#use-text-example');
  check('text example: state', await finished(), 'done');
  check('text example: the bundled input', await download('#download-report'), run('kelvaro', ['-q'], readFileSync(join(root, 'examples/two-samples.txt'))));
}

if (process.env.SKIP_PLAN) {} else
// Does the Plan tab start from kelvaro-plan's defaults, give its table, name the smallest design
// meeting the target, and read pilot surveys and crossed designs as it does?
{
  const help = spawnSync(program('kelvaro-plan'), ['--help'], { encoding: 'latin1' }).stdout;
  const defaultOf = (option) => (help.match(new RegExp(`${option} [^\\n]*\\(default (\\d+)\\)`)) || [])[1];
  await page.click('#tab-plan');
  for (const [id, option] of [['#plan-surveys', '--surveys'], ['#plan-nreps', '--nreps'], ['#plan-seed', '--seed']]) {
    check(`plan: ${option} default`, await page.inputValue(id), defaultOf(option));
  }
  // --assurance's share as a percentage; --max-surveys empty for its default.
  check('plan: --assurance default', Number(await page.inputValue('#plan-assurance')) / 100,
    Number((help.match(/--assurance [^]*?\(default ([\d.]+)\)/) || [])[1]));
  check('plan: --max-surveys default', await page.inputValue('#plan-max-surveys'), '');
  const planned = (args) => {
    const r = spawnSync(program('kelvaro-plan'), [...args, '-q', '-o', 'plan.csv'], { cwd: work, encoding: 'latin1' });
    return { csv: readFileSync(join(work, 'plan.csv'), 'latin1'), answer: r.stderr.trim().split('\n').pop().replace(/^kelvaro-plan: /, '') };
  };
  const common4 = ['--persistence', '0.8', '--colonists', '20', '--surveys', '10', '--nreps', '10', '--seed', '400',
    '--target', 'N(1):bias<=0.1,coverage>=0.9'];
  const cases = [
    ['a grid', { '#plan-detection': '0.1', '#plan-heterogeneity': '0.5', '#plan-sites': '5,10,20' },
      ['--species', '100', '--detection', '0.1', '--heterogeneity', '0.5', '--sites', '5,10,20']],
    ['crossed designs, carryover redrawn, a pilot', { '#plan-sites': '5,10', '#plan-sites2': '8', '#plan-carryover': 'redrawn', pilot: 'examples/data/plots-1-25.csv' },
      ['--sites1', '5,10', '--sites2', '8', '--carryover', 'redrawn', '--from-pilot', join(root, 'examples/data/plots-1-25.csv')]],
    ['until the target', { '#plan-detection': '0.3', '#plan-heterogeneity': '4', '#plan-sites': '5,10', until: true },
      ['--species', '100', '--detection', '0.3', '--heterogeneity', '4', '--sites', '5,10', '--until-target']],
    ['a pilot with assurance and a bound on the rounds', { '#plan-sites': '5,10', '#plan-assurance': '60', '#plan-max-surveys': '5000', pilot: 'examples/data/plots-1-25.csv' },
      ['--sites', '5,10', '--assurance', '0.6', '--max-surveys', '5000', '--from-pilot', join(root, 'examples/data/plots-1-25.csv')]],
  ];
  for (const [name, fields, args] of cases) {
    await page.fill('#plan-surveys', '10');
    await page.fill('#plan-nreps', '10');
    if (fields.pilot) {
      await page.setInputFiles('#plan-pilot', join(root, fields.pilot));
      await page.waitForFunction(() => !document.querySelector('#plan-pilot-clear').hidden);
    }
    for (const [id, value] of Object.entries(fields)) {
      if (!id.startsWith('#')) continue;
      if (id === '#plan-carryover') await page.selectOption(id, value);
      else await page.fill(id, value);
    }
    await page.setChecked('#plan-until-target', Boolean(fields.until));
    await page.click('#plan-run');
    check(`plan (${name}): state`, await finished(), 'done');
    check(`plan (${name}): focus on the answer`, await page.evaluate(() => document.activeElement.id), 'plan-answer');
    const expected = planned([...args, ...common4]);
    check(`plan (${name}): plan.csv`, await download('#plan-download'), expected.csv);
    check(`plan (${name}): answer`, await text('#plan-answer'), planAnswer(expected.answer).replace(/^./, (c) => c.toUpperCase()) + '.');
    const designs = expected.csv.split('\r\n').filter((l) => /^\d+,\d+,N\(1\),/.test(l)).length;
    check(`plan (${name}): Monte Carlo error bars`, await page.$$eval('#plan-chart g[stroke-width="1.5"] line', (l) => l.length), 2 * designs);
    if (fields['#plan-assurance']) {
      // each design's assurance in the table, as plan.csv gives it (in percent)
      const rows = common.csvRecords(expected.csv).filter((r) => r.parameter === 'N(1)');
      const shown = await page.$$eval('#plan-table tr', (trs) => {
        const at = [...trs[0].children].findIndex((th) => th.textContent === 'assurance (%)');
        return trs.slice(1).map((tr) => tr.children[at].textContent);
      });
      check(`plan (${name}): assurance per design`, shown.join(' '), rows.map((r) => (100 * Number(r.assurance)).toFixed(1)).join(' '));
      check(`plan (${name}): assured over the pilot's communities`, rows.every((r) => r.communities !== '' && r.assurance !== ''), true);
      await page.fill('#plan-assurance', '80');
      await page.fill('#plan-max-surveys', '');
    }
    if (fields.pilot) await page.click('#plan-pilot-clear');
    await page.fill('#plan-sites2', '');
    await page.selectOption('#plan-carryover', 'kept');
  }
  await page.click('#plan-example');
  check('plan example: state', await finished(), 'done');
  check('plan example: meets its target', (await text('#plan-answer')).startsWith('The smallest design that meets every target: '), true);
  await page.screenshot({ path: join(shots, 'plan.png'), fullPage: true });
  await everyTab('after a plan');
}

// Can it be used from the keyboard alone, and read at 200% zoom (half the width, twice the
// pixels) and on a 360 px phone without the page scrolling sideways, its charts' text 11 px or
// more?
{
  const zoomed = await open({ width: 600, height: 800 });
  await zoomed.focus('#tab-analyse');
  await zoomed.keyboard.press('ArrowRight');
  check('keyboard: arrow to the Plan tab', await zoomed.isVisible('#panel-plan'), true);
  await zoomed.keyboard.press('ArrowLeft');
  await zoomed.focus('#use-example');
  await zoomed.keyboard.press('Enter');
  check('keyboard: example analysed', await finished(zoomed), 'done');
  const layout = await zoomed.evaluate(common.layoutInPage);
  check('200% zoom: no sideways scrolling', layout.overflow, 0);
  check('200% zoom: chart text of 11 px or more', layout.smallest >= 11 || layout.smallest, true);
  const unlabelled = await zoomed.$$eval('input, select', (controls) => controls
    .filter((c) => !(c.labels && c.labels.length) && !c.getAttribute('aria-label') && !c.getAttribute('aria-labelledby')).map((c) => c.id || c.name));
  check('every control has a label', unlabelled.join(' '), '');
  await zoomed.close();

  const phone = await open({ width: 360, height: 780 });
  const fits = async (name) => {
    const { overflow, smallest } = await phone.evaluate(common.layoutInPage);
    check(`phone, ${name}: no sideways scrolling`, overflow, 0);
    check(`phone, ${name}: chart text of 11 px or more`, smallest >= 11 || smallest, true);
  };
  for (const tab of ['#tab-plan', '#tab-help', '#tab-analyse']) {
    await phone.click(tab);
    await fits(`${tab.slice(5)} tab`);
  }
  await phone.click('#use-example');
  check('phone: example analysed', await finished(phone), 'done');
  await fits('the example');
  await phone.screenshot({ path: join(shots, 'phone-example.png'), fullPage: true });
  await phone.check('input[name="mode"][value="long"]');
  await phone.click('#use-long-example');
  check('phone: long example analysed', await finished(phone), 'done');
  await fits('every pair');
  await phone.screenshot({ path: join(shots, 'phone-batch.png'), fullPage: true });
  await phone.click('#tab-plan');
  await phone.fill('#plan-surveys', '20');
  await phone.click('#plan-run');
  check('phone: plan made', await finished(phone), 'done');
  await fits('a plan');
  await phone.screenshot({ path: join(shots, 'phone-plan.png'), fullPage: true });
  await phone.close();
}

check('no network request', requests.join(' '), '');
check('no script error', errors.join(' '), '');
check('nothing else in build/web', readdirSync(dirname(resolve(pagePath))).join(' '), 'kelvaro.html');
await browser.close();
rmSync(work, { recursive: true, force: true });
console.log(`page: ${counts.passed} passed, ${counts.failed} failed`);
process.exit(counts.failed === 0 ? 0 : 1);
