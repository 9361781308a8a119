// The web page's engine under node: every golden report of tests/golden through the WebAssembly
// build gives the same bytes (report, diagnostic, status) as the native program must; and two
// site-by-species tables give kelvaro-prep + kelvaro's report and kelvaro-tidy's tables (for every
// complete golden run too: the tables the engine fills from the result are tidy's of the report).
//   node engine-test.mjs ENGINE.js BUILD
import { createRequire } from 'node:module';
import { execFileSync } from 'node:child_process';
import { readFileSync, readdirSync, existsSync } from 'node:fs';
import { resolve, dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

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

const program = (name) => join(resolve(build), name === 'kelvaro' ? 'src/cli/kelvaro' : `tools/${name}`);
const run = (name, args, input) => execFileSync(program(name), args, { input, encoding: 'latin1', cwd: root });

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
}

console.log(`engine: ${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
