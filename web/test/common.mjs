// What the page tests in each browser share: the programs whose output the page must equal, the
// comparison that says where two texts part, and the inputs both browsers are given.
import { execFileSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { resolve, dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');

// The path of one of kelvaro's programs in the build directory BUILD.
export function program(build, name) {
  const paths = { kelvaro: 'src/cli/kelvaro', 'kelvaro-plan': 'tools/plan/kelvaro-plan' };
  return join(resolve(build), paths[name] || `tools/${name}`);
}

// Runs a program on `input` in `cwd` and gives what it prints, byte for byte (latin1 keeps each
// byte one character).
export function run(build, name, args, input, cwd = root) {
  return execFileSync(program(build, name), args, { input, encoding: 'latin1', cwd, stdio: 'pipe' });
}

// Counts the checks; a failed one is printed with where the two texts part.
export function checker() {
  const counts = { passed: 0, failed: 0 };
  const check = (name, actual, expected) => {
    if (actual === expected) {
      counts.passed += 1;
      return;
    }
    counts.failed += 1;
    actual = String(actual);
    expected = String(expected);
    let at = 0;
    while (at < actual.length && actual[at] === expected[at]) at += 1;
    console.log(`FAIL ${name}: differs at byte ${at}:\n  got      ${JSON.stringify(actual.slice(at, at + 80))}\n  expected ${JSON.stringify(expected.slice(at, at + 80))}`);
  };
  return { check, counts };
}

// Run in the page: a table as kelvaro-tidy's CSV (cells joined by commas, rows ended by CR LF).
export function tableCsvInPage(selector) {
  const rows = [...document.querySelector(selector).querySelectorAll('tr')]
    .map((tr) => [...tr.children].map((c) => c.textContent).join(','));
  return rows.map((r) => r + '\r\n').join('');
}

// The example's two site-by-species tables.
export const exampleFiles = ['examples/data/ditches-week-4.csv', 'examples/data/ditches-week24.csv'].map((f) => join(root, f));

// What the programs make of the example: the report, and kelvaro-tidy's tables of it.
export function exampleExpected(build) {
  const report = run(build, 'kelvaro', ['-q'], run(build, 'kelvaro-prep', exampleFiles));
  const tidy = (args) => run(build, 'kelvaro-tidy', args, report);
  return {
    report,
    parameters: tidy([]),
    blocks: tidy(['--table', 'blocks']),
    estimators: tidy(['--table', 'estimators']),
    json: tidy(['--json']),
  };
}

// Writes a malformed pair of tables (a cell that is no detection) into `dir`, and gives their
// paths and kelvaro-prep's message about them.
export function malformedTables(build, dir) {
  const bad = join(dir, 'bad.csv');
  const good = join(dir, 'good.csv');
  writeFileSync(bad, 'site,Sp.A,Sp.B\nplot1,1,maybe\nplot2,0,1\n');
  writeFileSync(good, 'site,Sp.A\nplot1,1\nplot2,1\n');
  let message = '';
  try {
    run(build, 'kelvaro-prep', ['bad.csv', 'good.csv'], '', dir);
  } catch (e) {
    message = e.stderr.trim();
  }
  return { files: [bad, good], message };
}
