// The page's words and numbers under node, from the programs' own texts where there are some:
// messages without command-line flags, kelvaro-plan's answers in percentages, files that are
// no tables caught by their first bytes, problems.csv read back field by field, table cells
// rounded as the report rounds, and the line that sums up a run; and zips unpacked as the page
// unpacks them (refusing encrypted entries, other compressions, bombs and damage), archives' files
// known by their bytes.
//   node texts-test.mjs BUILD
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import * as common from './common.mjs';
import { forPage, planAnswer, planMessage, notATable, notAnInput, missingColumnsText } from '../src/messages.js';
import { csvRows, richnessByGroup, lambdas, records } from '../src/batch.js';
import { rounded, blocksNote } from '../src/tables.js';
import { resultLine } from '../src/summary.js';
import { unzip, isZip, looksLikeXml, hasDarwinCoreHeader, ArchiveRefusal } from '../src/archive.js';

const [build] = process.argv.slice(2);
const { check, counts } = common.checker();
const flags = /(^|[^-\w])--?[a-z]/;

// Do the programs' messages lose their flags, and keep everything else?
for (const [message, expected] of [
  ['t.csv (comma-separated), line 3, column 2: "NA" is not a detection value: a cell must be a number; NA marks a missing value: fill it in, or give --na-absent to take it as absent',
    't.csv (comma-separated), line 3, column 2: "NA" is not a detection value: a cell must be a number; NA marks a missing value: fill it in, or tick "Take NA cells as absent" (under Options) to take it as absent'],
  ['t.csv, line 1, column 1: the header has no column "site" for the site (it has "a"; ...; name a column called otherwise with --site)',
    't.csv, line 1, column 1: the header has no column "site" for the site (it has "a"; ...; pick the site column under "Column names")'],
  ['t.csv, line 1, column 5: the header has two columns ..., "count" and "detected": name the one to use with --count',
    't.csv, line 1, column 5: the header has two columns ..., "count" and "detected": pick the one to use as the count column under "Column names"'],
  ['--seed 0 would take each pair\'s seed from the clock, and a batch must be repeatable: give a non-zero seed (the default is 400)',
    'Seed 0 would take each pair\'s seed from the clock, and a batch must be repeatable: give a non-zero seed (the default is 400)'],
  // Darwin Core archives: options named as the page's term pickers.
  ['a.zip: 3 record(s) of 2 taxa above species rank, such as "Aves", count as species; give --species-rank-only to leave them out',
    'a.zip: 3 record(s) of 2 taxa above species rank, such as "Aves", count as species; tick "Leave out taxa above species rank" (under "Darwin Core terms") to leave them out'],
  ['a.zip: 3 record(s) of 2 taxa above species rank, such as "Aves", were left out (--species-rank-only); their visits still count',
    'a.zip: 3 record(s) of 2 taxa above species rank, such as "Aves", were left out ("Leave out taxa above species rank"); their visits still count'],
  ['a.zip: no term "year" for the sample (the default); name the sample\'s term with --sample (its terms: eventID, locality)',
    'a.zip: no term "year" for the sample (the default); pick the sample term under "Darwin Core terms" (its terms: eventID, locality)'],
  ['a.zip: --site "plot": the archive has no such term (its terms: eventID, locality)',
    'a.zip: the site term "plot": the archive has no such term (its terms: eventID, locality)'],
  ['a.zip: 2 count(s) are not numbers, such as "r", and were taken as present; name the count term with --count to read them otherwise',
    'a.zip: 2 count(s) are not numbers, such as "r", and were taken as present; pick the count term under "Darwin Core terms" to read them otherwise'],
]) {
  check(`forPage: ${message.slice(0, 40)}`, forPage(message), expected);
  check(`forPage: no flag in ${message.slice(0, 40)}`, flags.test(forPage(message)), false);
}

// kelvaro-plan's refusals and answers, as it prints them, in the Plan tab's words.
const plan = (args) => spawnSync(common.program(build, 'kelvaro-plan'), ['--surveys', '5', '--nreps', '5', ...args],
  { cwd: common.root, encoding: 'latin1' }).stderr.trim().split('\n').pop().replace(/^kelvaro-plan: /, '');
for (const [name, args, expected] of [
  ['met', ['--species', '100', '--detection', '0.3', '--heterogeneity', '4', '--sites', '10,20', '--target', 'N(1):bias<=0.2'],
    /^the smallest design that meets every target: \d+ sites in each sample/],
  ['not met', ['--species', '100', '--detection', '0.05', '--heterogeneity', '1', '--sites', '5', '--target', 'N(1):bias<=0.01,coverage>=0.99'],
    /^no design in the grid meets every target; the closest: 5 sites in each sample, where N\(1\) \w+ [\d.]+% \(standard error [\d.]+%\) against at (most|least) 1%/],
  ['crossed', ['--species', '100', '--detection', '0.3', '--heterogeneity', '4', '--sites1', '20', '--sites2', '10', '--target', 'N(1):bias<=0.5'],
    /^the smallest design that meets every target: 20 sites in Sample 1 and 10 in Sample 2; decided by 5 simulated surveys$/],
  ['over a pilot\'s communities', ['--from-pilot', 'examples/data/plots-1-25.csv', '--sites', '5,10', '--target', 'N(1):bias<=0.5', '--assurance', '0.6'],
    /^the smallest design that meets every target in at least 60% of the communities consistent with the pilot: 5 sites in each sample, in \d+% of them; decided by 100 communities of 25 simulated surveys each$/],
]) {
  const answer = planAnswer(plan(args));
  check(`plan answer (${name}): ${answer}`, expected.test(answer), true);
  const fraction = /(bias|coverage|standard error) -?[\d.e+-]+[^%\d.e+-]/;
  check(`plan answer (${name}): no fraction or code left`, fraction.test(answer) || /[<>]=/.test(answer) || answer.includes('sites1'), false);
}
for (const [message, expected] of [
  ['detection must be above 0 and at most 1 (a probability), not 1.5', '"Mean detection probability per site" must be above 0 and at most 1 (a probability), not 1.5'],
  ['Sample 2\'s community is empty: give colonists or a larger persistence', 'Sample 2\'s community is empty: give "Colonists" or a larger "Persistence"'],
  ['until_target extends sites (equal numbers of sites); give it in place of sites1 and sites2',
    '"Go on ... until a design meets the target" extends equal numbers of sites: leave "Sample 2\'s numbers of sites" empty'],
  ['from_pilot: the pilot detects no species', 'Pilot survey: the pilot detects no species'],
  ['sites: \'5:x\': \'x\' is not a whole number', '"Numbers of sites": \'5:x\': \'x\' is not a whole number'],
]) {
  check(`planMessage: ${message.slice(0, 40)}`, planMessage(message), expected);
}

// Are files that are no tables known by their first bytes, and tables given as kelvaro inputs?
const bytes = (...b) => new Uint8Array(b);
for (const [name, file, expected] of [
  ['PNG', bytes(0x89, 0x50, 0x4e, 0x47, 13, 10), /looks like a PNG image/],
  ['xlsx', bytes(0x50, 0x4b, 0x03, 0x04, 20, 0), /spreadsheet workbook/],
  ['UTF-16', bytes(0xff, 0xfe, 0x73, 0), /UTF-16/],
  ['NUL bytes', bytes(0x73, 0x69, 0, 0x65), /a binary file/],
  ['empty', bytes(), /is empty/],
  ['a table', new TextEncoder().encode('site,a\ns1,1\n'), null],
]) {
  const problem = notATable('f.csv', file);
  check(`notATable: ${name}`, expected ? expected.test(problem) : problem, expected ? true : null);
}
for (const [name, text, table] of [['a table', 'site,a\ns1,1\n', true], ['an input', '  10 10 0 50 400\n', false], ['signed', '-3 1', false]]) {
  check(`notAnInput: ${name}`, notAnInput('f', new TextEncoder().encode(text)) !== null, table);
}
check('missing columns: all at once', missingColumnsText('s.csv', ['group', 'site'], { group: 'group', site: 'site' }, ['route', 'stop']),
  's.csv has no column "group" (the group) and "site" (the site). Its columns are "route" and "stop": pick the right ones under "Column names", or "none" for a table without groups.');

// Is problems.csv read back field by field (quoted commas, quotes and line ends)?
check('csvRows', JSON.stringify(csvRows('a,b\r\n"x, y","say ""no""\nthen"\r\n,\r\n')),
  JSON.stringify([['a', 'b'], ['x, y', 'say "no"\nthen'], ['', '']]));

// Each sample's richness across a group's pairs: the pair it starts, the last one the pair it ends.
{
  const parameters = records('group,sample1,sample2,parameter,estimate,bootstrap_average,standard_error,lower,upper\r\n'
    + 'A,1,2,N(1),10.00,,,8.00,12.00\r\nA,1,2,N(2),20.00,,,18.00,22.00\r\nA,1,2,LAMBDA,2.0000,,,1.5000,2.5000\r\n'
    + 'A,2,3,N(1),20.00,,,17.00,23.00\r\nA,2,3,N(2),30.00,,,28.00,33.00\r\n');
  const blocks = records('group,sample1,sample2,block,R,estimate\r\nA,1,2,Sample 1,7,10\r\nA,1,2,Sample 2,15,20\r\nA,2,3,Sample 2,25,30\r\n');
  const [group] = richnessByGroup(parameters, blocks);
  check('richness by group: samples in order, from the pair each starts', JSON.stringify(group.samples.map((s) => [s.sample, s.from, s.lower, s.observed])),
    JSON.stringify([['1', 'N(1)', 8, 7], ['2', 'N(1)', 17, 15], ['3', 'N(2)', 28, 25]]));
  check('lambdas', JSON.stringify(lambdas(parameters)), JSON.stringify([{ pair: 'A: 1 → 2', estimate: 2, lower: 1.5, upper: 2.5 }]));
}

// Cells rounded as the report rounds, and the note on the numbers shown twice.
for (const [cell, decimals, expected] of [['111.00000', 0, '111'], ['11.660641', 2, '11.66'], ['0.54828430561940356', 4, '0.5483'],
  ['', 2, ''], ['NaN', 2, 'NaN'], ['-0.001', 2, '-0.00'], ['7', undefined, '7']]) {
  check(`rounded ${cell} to ${decimals}`, rounded(cell, decimals), expected);
}
{
  const tables = {
    parameters: { rows: [['N(1)', '110.96'], ['N(2)', '186.00']] },
    blocks: { columns: ['block', 'R', 'estimate'], rows: [['Sample 1', '83', '111.00000'], ['Sample 2', '95', '186.00000']] },
  };
  const note = blocksNote(tables);
  check('blocks note: names the number rounded two ways', note.includes('N(1) 110.96 (Sample 1 111)'), true);
  check('blocks note: not a number that agrees', note.includes('N(2)'), false);
}

// The summary line of the example's run, from the report's numbers.
{
  const report = common.exampleExpected(build).parameters;
  const row = (name) => report.split('\r\n').find((l) => l.startsWith(`${name},`)).split(',').map(Number);
  const parameter = (name) => { const r = row(name); return { name, estimate: r[1], lower: r[4], upper: r[5] }; };
  const charts = { parameters: ['N(1)', 'N(2)', 'PHI', 'LAMBDA'].map(parameter), blocks: [] };
  check('summary line of the example', resultLine(charts, 1), 'N(1) 111 (83–169), N(2) 186 (120–237), PHI 0.98, LAMBDA 1.68 · 1 warning');
}

// Does the page unpack a zip's stored and deflated entries, and refuse what it must not read?
{
  const files = [['meta.xml', '<archive/>\n'], ['data/event.txt', 'eventID\ne1\n'.repeat(50)], ['empty.txt', '']];
  const zip = common.zipOf(files);
  const unpacked = await unzip('a.zip', new Uint8Array(zip));
  check('unzip: names and bytes', JSON.stringify(unpacked.map((f) => [f.name, Buffer.from(f.bytes).toString('utf8')])), JSON.stringify(files));
  // The central directory's entry of the second file (deflated), to be tampered with.
  const second = zip.indexOf(Buffer.from([0x50, 0x4b, 1, 2]), zip.indexOf(Buffer.from([0x50, 0x4b, 1, 2])) + 1);
  const tampered = (change) => {
    const copy = Buffer.from(zip);
    change(copy);
    return new Uint8Array(copy);
  };
  const refusalOf = async (bytes, limits) => {
    try {
      await unzip('a.zip', bytes, limits);
      return 'unpacked';
    } catch (e) {
      return e instanceof ArchiveRefusal ? e.message : `not a refusal: ${e.message}`;
    }
  };
  for (const [name, bytes, expected, limits] of [
    ['encrypted', tampered((b) => b.writeUInt16LE(0x801, second + 8)), /^a\.zip: data\/event\.txt is encrypted/],
    ['bzip2', tampered((b) => b.writeUInt16LE(12, second + 10)), /^a\.zip: data\/event\.txt is compressed by method 12, which this page cannot unpack/],
    ['a bomb by its ratio', tampered((b) => b.writeUInt32LE(2000000000, second + 24)), /^a\.zip: data\/event\.txt would inflate to 2000000000 bytes/],
    ['a bomb by its total', new Uint8Array(zip), /^a\.zip: data\/event\.txt would inflate to 550 bytes/, { maxRatio: 1100, minTotal: 100, maxTotal: 100 }],
    ['more than it says', tampered((b) => b.writeUInt32LE(10, second + 24)), /^a\.zip: data\/event\.txt inflates to more than the 10 bytes/],
    ['a wrong checksum', tampered((b) => b.writeUInt32LE(12345, second + 16)), /^a\.zip: data\/event\.txt: the entry is damaged/],
    ['cut short', new Uint8Array(zip.subarray(0, zip.length - 30)), /^a\.zip is a damaged zip file/],
  ]) {
    const got = await refusalOf(bytes, limits);
    check(`unzip refuses ${name}: ${got}`, expected.test(got), true);
  }
  const bytes = (text) => new TextEncoder().encode(text);
  for (const [name, file, zipped, xml, header] of [
    ['a zip', zip, true, false, false],
    ['an empty zip', Buffer.from([0x50, 0x4b, 5, 6, ...Array(18).fill(0)]), true, false, false],
    ['meta.xml with a byte-order mark', bytes('\uFEFF <?xml version="1.0"?><archive/>'), false, true, false],
    ['an event table', bytes('eventID,parentEventID,locationID\r\nw1,,R7\r\n'), false, false, true],
    ['an occurrence table of term URIs', bytes('"http://rs.tdwg.org/dwc/terms/scientificName"\t"id"\n'), false, false, true],
    ['a long table', bytes('group,sample,site,species\nA,2019,s1,Sp\n'), false, false, false],
  ]) {
    check(`${name}: a zip`, isZip(new Uint8Array(file)), zipped);
    check(`${name}: XML`, looksLikeXml(new Uint8Array(file)), xml);
    check(`${name}: Darwin Core header`, hasDarwinCoreHeader(new Uint8Array(file)), header);
  }
}

console.log(`texts: ${counts.passed} passed, ${counts.failed} failed`);
process.exit(counts.failed === 0 ? 0 : 1);
