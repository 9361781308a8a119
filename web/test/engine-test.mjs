// The web page's engine under node: every golden report of tests/golden through the WebAssembly
// build gives the same bytes (report, diagnostic, status) as the native program must; two
// site-by-species tables give kelvaro-prep + kelvaro's report and kelvaro-tidy's tables (for every
// complete golden run too: the tables the engine fills from the result are tidy's of the report);
// the richness curves are the library's as a native program computes them; a long table without
// a group column is one group, analysed as kelvaro-batch analyses a group;
// a header's missing columns are named all at once; and a plan (pilot, crossed designs, carryover,
// until-target) gives kelvaro-plan's table and answer.
//   node engine-test.mjs ENGINE.js BUILD
import { createRequire } from 'node:module';
import { execFileSync, spawnSync } from 'node:child_process';
import { readFileSync, readdirSync, existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { resolve, dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import * as common from './common.mjs';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const [enginePath, build] = process.argv.slice(2);
const createKelvaro = createRequire(import.meta.url)(resolve(enginePath));
const kelvaro = await createKelvaro();

// An error escaping the test would be printed with the engine's whole (one-line) source.
process.removeAllListeners('uncaughtException');
process.on('uncaughtException', (e) => {
  console.log(`FAIL: ${e && e.message ? e.message.slice(0, 2000) : e}`);
  process.exit(1);
});
process.on('unhandledRejection', (e) => {
  console.log(`FAIL: ${e && e.message ? e.message.slice(0, 2000) : e}`);
  process.exit(1);
});

let passed = 0;
let failed = 0;
function check(name, actual, expected) {
  if (actual === expected) {
    passed += 1;
    return;
  }
  failed += 1;
  actual = String(actual);
  expected = String(expected);
  let at = 0;
  while (at < actual.length && actual[at] === expected[at]) at += 1;
  console.log(`FAIL ${name}: differs at byte ${at}:\n  got      ${JSON.stringify(String(actual).slice(at, at + 60))}\n  expected ${JSON.stringify(String(expected).slice(at, at + 60))}`);
}

const program = (name) => common.program(build, name);
const run = (name, args, input) => execFileSync(program(name), args, { input, encoding: 'latin1', cwd: root });

// Are a run's richness curves, their comparison and their warnings those the library makes
// natively from the same kelvaro input?
function checkCurves(name, r, input) {
  const expected = common.curvesExpected(build, input);
  check(`${name} curves.csv`, r.tables.curves.csv, expected.curves);
  check(`${name} standardised.csv`, r.tables.standardised.csv, expected.standardised);
  check(`${name} curve warnings`, r.charts.curves.warnings.map((w) => w.message + '\n').join(''), expected.warnings);
  // what the chart draws is the table's: every block's points, 1 to 2T sites
  const points = r.charts.curves.blocks.flatMap((b) => b.points.map((p) => `${b.block},${p.sites},${p.kind}`));
  check(`${name} chart points`, points.join('\n'), expected.curves.trim().split('\r\n').slice(1).map((l) => l.split(',').slice(0, 3).join(',')).join('\n'));
}

// Does every golden input give the golden report, diagnostic and status?
const golden = join(root, 'tests/golden');
for (const file of readdirSync(golden).filter((f) => f.endsWith('.in')).sort()) {
  const base = join(golden, file.slice(0, -3));
  const optional = (ext, fallback) => (existsSync(base + ext) ? readFileSync(base + ext, 'latin1') : fallback);
  const r = kelvaro.analyseText(readFileSync(join(golden, file)), null);
  check(`${file} report`, r.report, readFileSync(base + '.out', 'latin1'));
  check(`${file} diagnostic`, r.message, optional('.err', ''));
  check(`${file} status`, String(r.status), optional('.status', '0').trim());
  if (r.status === 0) {  // the tables filled from the result hold kelvaro-tidy's text of the report
    check(`${file} estimators`, r.tables.estimators.csv, run('kelvaro-tidy', ['--table', 'estimators'], r.report));
    check(`${file} json`, r.tables.json, run('kelvaro-tidy', ['--json'], r.report));
    checkCurves(file, r, readFileSync(join(golden, file)));
  }
}

// Do two site-by-species tables give the command-line pipeline's report and tables?
const options = { nreps: 50, seed: 400, rangeAdjustment: true, separator: '', naAbsent: false, foldCase: false };
const pairs = [['ditches-week-4.csv', 'ditches-week24.csv'], ['plots-1-25.csv', 'plots-26-50.csv']];
for (const [a, b] of pairs) {
  const files = [a, b].map((f) => join('examples/data', f));
  const input = run('kelvaro-prep', files);
  const report = run('kelvaro', ['-q'], input);
  const r = kelvaro.analyseWide(readFileSync(join(root, files[0])), files[0], readFileSync(join(root, files[1])), files[1], options, null);
  check(`${a} input`, r.input, input);
  check(`${a} report`, r.report, report);
  for (const table of ['parameters', 'blocks', 'test', 'estimators']) {
    check(`${a} ${table}`, r.tables[table].csv, run('kelvaro-tidy', ['--table', table], report));
  }
  check(`${a} json`, r.tables.json, run('kelvaro-tidy', ['--json'], report));
  checkCurves(a, r, input);
}

// A long table: its columns as the page names them, and kelvaro-batch's tables of it.
const work = mkdtempSync(join(tmpdir(), 'kelvaro-engine-'));
const tables = common.longTables(work);
const longOptions = (columns) => ({ ...options, columns: { group: 'route', sample: 'year', site: 'stop', species: 'species', count: '', ...columns } });
execFileSync(program('kelvaro-batch'), [...tables.columns, '--threads', '1', '-q', '--reports', '-o', 'out', 'survey.csv'], { cwd: work });
const batchTable = (name) => readFileSync(join(work, 'out', name + '.csv'), 'latin1');

// Is a table without a group column one group, whose pairs are those kelvaro-batch gives a group?
{
  const text = readFileSync(tables.ungrouped);
  const o = longOptions({ group: '' });
  const read = kelvaro.longTableSamples(text, 'nogroup.csv', o, null);
  check('no group: one group', JSON.stringify([read.grouped, read.groups]), JSON.stringify([false, [{ name: '', samples: ['2019', '2020', '2021'] }]]));
  check('no group: header', read.header.join(','), 'year,stop,species,count');
  const pair = kelvaro.analyseLongPair(text, 'nogroup.csv', o, '', '2020', '2021', null);
  check('no group: pair report', pair.report, readFileSync(join(work, 'out/reports/A/2020-2021.txt'), 'latin1'));
  const batch = kelvaro.analyseBatch(text, 'nogroup.csv', o, null);
  for (const t of ['parameters', 'blocks', 'tests', 'estimators', 'problems']) {
    check(`no group: batch ${t}`, batch.batch[t], common.groupRowsUngrouped(batchTable(t), 'A'));
  }
}

// Are the columns a header lacks named all at once, with the header's names, beside
// kelvaro-batch's own message (about the first)?
for (const [name, columns, missing] of [
  ['defaults', { group: 'group', sample: 'sample', site: 'site' }, ['group', 'sample', 'site']],
  ['count named', { count: 'abundance', species: 'taxon' }, ['species', 'count']],
]) {
  const r = kelvaro.longTableSamples(readFileSync(tables.grouped), 'survey.csv', longOptions(columns), null);
  check(`missing columns (${name})`, JSON.stringify(r.missingColumns), JSON.stringify(missing));
  check(`missing columns (${name}): header`, r.header.join(','), 'route,year,stop,species,count');
  const args = Object.entries({ ...longOptions(columns).columns }).flatMap(([k, v]) => (v ? [`--${k}`, v] : []));
  check(`missing columns (${name}): kelvaro-batch's message`, r.message, common.refusal(build, 'kelvaro-batch', [...args, '-o', 'out2', 'survey.csv'], work).message);
}

// Is every pair with seed 0 refused as kelvaro-batch refuses it?
{
  const r = kelvaro.analyseBatch(readFileSync(tables.grouped), 'survey.csv', { ...longOptions({}), seed: 0 }, null);
  const expected = common.refusal(build, 'kelvaro-batch', [...tables.columns, '--seed', '0', '-o', 'out3', 'survey.csv'], work);
  check('seed 0: status', r.status, expected.status);
  check('seed 0: message', r.message, expected.message);
}

// Does a plan give kelvaro-plan's table and answer, for each of its ways of asking?
const community = { species: 100, persistence: 0.8, colonists: 20, detection: 0.2, heterogeneity: '4' };
const plans = [
  ['crossed designs', { sites1: '5,10', sites2: '8' }, ['--sites1', '5,10', '--sites2', '8']],
  ['carryover redrawn', { sites: '5,10', carryover: 'redrawn' }, ['--sites', '5,10', '--carryover', 'redrawn']],
  ['until the target', { sites: '5,10', detection: 0.3, untilTarget: true }, ['--sites', '5,10', '--until-target', '--detection', '0.3']],
  ['pilot table', { sites: '5,10', species: null, detection: null, heterogeneity: '', pilot: 'examples/data/plots-1-25.csv' }, ['--sites', '5,10', '--from-pilot', 'examples/data/plots-1-25.csv']],
  ['pilot input', { sites: '5,10', species: null, detection: null, heterogeneity: '', pilot: 'examples/two-samples.txt' }, ['--sites', '5,10', '--from-pilot', 'examples/two-samples.txt']],
  ['pilot, assurance and most surveys', { sites: '5,10', species: null, detection: null, heterogeneity: '', pilot: 'examples/data/plots-1-25.csv', assurance: 0.6, maxSurveys: 5000 },
    ['--sites', '5,10', '--from-pilot', 'examples/data/plots-1-25.csv', '--assurance', '0.6', '--max-surveys', '5000']],
];
for (const [name, asked, args] of plans) {
  const request = {
    ...community, detectionChange: 1, sites: '', sites1: '', sites2: '', surveys: 10, nreps: 10, seed: 400, carryover: 'kept',
    untilTarget: false, target: 'N(1):bias<=0.1,coverage>=0.9', ...asked, pilotName: asked.pilot || '',
  };
  request.pilot = asked.pilot ? readFileSync(join(root, asked.pilot)) : null;
  const given = Object.entries(community).filter(([k]) => !(k in asked) || asked[k] === undefined)
    .flatMap(([k, v]) => [`--${k}`, String(v)]);
  const command = [...given, ...args, '--surveys', '10', '--nreps', '10', '--target', request.target, '--threads', '2', '-o', join(work, 'plan.csv')];
  const { stderr } = spawnSync(program('kelvaro-plan'), command, { cwd: root, encoding: 'latin1' });
  const r = kelvaro.planSurvey(request, null);
  check(`plan (${name}): status`, r.status, 0);
  check(`plan (${name}): plan.csv`, r.csv, readFileSync(join(work, 'plan.csv'), 'latin1'));
  check(`plan (${name}): answer`, `kelvaro-plan: ${r.answer}`, stderr.trim().split('\n').pop());
}
// Is a pilot that does not bound the richness refused, as kelvaro-plan refuses it?
{
  const pilot = 'examples/data/ditches-week-4.csv';
  const r = kelvaro.planSurvey({
    species: null, persistence: 0.8, colonists: 20, detection: null, heterogeneity: '', detectionChange: 1, sites: '5',
    sites1: '', sites2: '', surveys: 5, nreps: 5, seed: 400, carryover: 'kept', untilTarget: false, target: '',
    pilot: readFileSync(join(root, pilot)), pilotName: 'pilot.csv',
  }, null);
  const expected = common.refusal(build, 'kelvaro-plan', ['--from-pilot', pilot, '--sites', '5', '-o', join(work, 'refused.csv')]);
  check('unbounded pilot: status', r.status, expected.status);
  check('unbounded pilot: the same refusal', r.message.replace(/^from_pilot/, '--from-pilot').replace(/ species, detection and heterogeneity yourself/, ''),
    expected.message.replace(/^kelvaro-plan: /, '').replace(/ --species N, --detection MEAN and --heterogeneity K yourself/, ''));
}
rmSync(work, { recursive: true, force: true });

console.log(`engine: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
