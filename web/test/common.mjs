// What the page tests in each browser share: the programs whose output the page must equal, the
// comparison that says where two texts part, and the inputs both browsers are given.
import { execFileSync } from 'node:child_process';
import { readFileSync, writeFileSync, mkdirSync } from 'node:fs';
import zlib from 'node:zlib';
import { resolve, dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');

// The path of one of kelvaro's programs in the build directory BUILD.
export function program(build, name) {
  const paths = { kelvaro: 'src/cli/kelvaro', 'kelvaro-plan': 'tools/plan/kelvaro-plan', 'kelvaro-curves-reference': 'web-reference/kelvaro-curves-reference' };
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

// The richness curves the library makes natively of a kelvaro input (web/test/curves_reference.cpp):
// the curves table's CSV, the standardised table's and the curves' warnings, one per line.
export function curvesExpected(build, input) {
  const [curves, standardised, warnings] = run(build, 'kelvaro-curves-reference', [], input).split('--\n');
  return { curves, standardised, warnings };
}

// The example's two site-by-species tables.
export const exampleFiles = ['examples/data/ditches-week-4.csv', 'examples/data/ditches-week24.csv'].map((f) => join(root, f));

// What the programs make of the example: the report, and kelvaro-tidy's tables of it.
export function exampleExpected(build) {
  const input = run(build, 'kelvaro-prep', exampleFiles);
  const report = run(build, 'kelvaro', ['-q'], input);
  const tidy = (args) => run(build, 'kelvaro-tidy', args, report);
  return {
    report,
    ...curvesExpected(build, input),
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

// A long table made from the example tables, route,year,stop,species,count: group A has years
// 2019, 2020 and 2021 (the first ten sites of three tables), group B 2020 and 2021, each site
// with a row of count 0 (visited). Written into `dir` as survey.csv; and as nogroup.csv, group
// A's rows without the route column (a table without a group column).
export function longTables(dir) {
  const rows = [];
  const tables = { 2019: 'ditches-week-4.csv', 2020: 'ditches-week24.csv', 2021: 'plots-1-25.csv' };
  for (const [group, years] of [['A', [2019, 2020, 2021]], ['B', [2020, 2021]]]) {
    for (const year of years) {
      const [header, ...lines] = readFileSync(join(root, 'examples/data', tables[year]), 'utf8').trim().split(/\r?\n/);
      const species = header.split(',').slice(1);
      for (const line of lines.slice(0, 10)) {
        const [site, ...cells] = line.split(',');
        cells.forEach((c, i) => { if (Number(c) > 0) rows.push([group, year, site, species[i], 1]); });
        rows.push([group, year, site, '', 0]);
      }
    }
  }
  const write = (name, header, lines) => {
    writeFileSync(join(dir, name), [header, ...lines.map((r) => r.join(','))].join('\n') + '\n');
    return join(dir, name);
  };
  return {
    grouped: write('survey.csv', 'route,year,stop,species,count', rows),
    ungrouped: write('nogroup.csv', 'year,stop,species,count', rows.filter((r) => r[0] === 'A').map((r) => r.slice(1))),
    columns: ['--group', 'route', '--sample', 'year', '--site', 'stop'],
  };
}

// The rows of group `group` of a kelvaro-batch table, with the header, the group field left
// empty: what a table without a group column gives.
export function groupRowsUngrouped(table, group) {
  return table.split('\r\n').filter((line, i) => i === 0 || line.startsWith(`${group},`))
    .map((line, i) => (i === 0 ? line : line.slice(group.length)) + '\r\n').join('');
}

// A program's message on standard error and its exit status, for input it refuses.
export function refusal(build, name, args, cwd = root) {
  try {
    execFileSync(program(build, name), args, { encoding: 'latin1', cwd, stdio: 'pipe' });
    return { status: 0, message: '' };
  } catch (e) {
    return { status: e.status, message: e.stderr.trim() };
  }
}

// axe-core's source, evaluated in the page by the tests (the page itself never holds it).
export const axeSource = readFileSync(join(root, 'web/node_modules/axe-core/axe.min.js'), 'utf8');

// Run in the page (after axeSource): axe-core's serious and critical violations, each with the
// elements it found.
export async function axeViolationsInPage() {
  const result = await window.axe.run(document, { resultTypes: ['violations'] });
  return result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .map((v) => `${v.id} (${v.impact}): ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(' | ')}`).join('\n');
}

// Run in the page: how far it is wider than the window (0: nothing scrolls sideways), and the
// smallest text of its charts as drawn on the screen, in CSS pixels.
export function layoutInPage() {
  const overflow = document.documentElement.scrollWidth - document.documentElement.clientWidth;
  let smallest = Infinity;
  for (const svg of document.querySelectorAll('.chart svg')) {
    const drawn = svg.getBoundingClientRect().width;
    const own = svg.width.baseVal.value;
    if (!drawn || !own) continue;  // hidden, or a legend swatch without size
    for (const text of svg.querySelectorAll('text')) {
      if (!text.textContent.trim()) continue;
      smallest = Math.min(smallest, parseFloat(getComputedStyle(text).fontSize) * (drawn / own));
    }
  }
  return { overflow, smallest };
}

// kelvaro-tidy's CSV of a table with its cells rounded as the page shows them (`decimals` per
// column, tables.js SHOWN_DECIMALS).
export function roundedCsv(csv, decimals, rounded) {
  const [header, ...rows] = csv.split('\r\n').filter(Boolean).map((line) => line.split(','));
  return [header, ...rows.map((row) => row.map((cell, i) => rounded(cell, decimals[header[i]])))]
    .map((row) => row.join(',') + '\r\n').join('');
}

// The rows of problems.csv (group,sample1,sample2,kind,message; a message in quotes when it
// holds a comma or a quote).
export function problemRows(csv) {
  return csv.split('\r\n').filter(Boolean).slice(1).map((line) => {
    const [group, sample1, sample2, kind, ...rest] = line.split(',');
    const message = rest.join(',');
    return { group, sample1, sample2, kind, message: message.startsWith('"') ? message.slice(1, -1).replace(/""/g, '"') : message };
  });
}

// A zip of `files` ([name, text]), the first stored and the others deflated, as zip tools write
// them (UTF-8 names, a central directory at the end).
export function zipOf(files) {
  const locals = [];
  const central = [];
  let offset = 0;
  files.forEach(([name, text], i) => {
    const data = Buffer.from(text, 'utf8');
    const method = i === 0 ? 0 : 8;
    const packed = method === 0 ? data : zlib.deflateRawSync(data);
    const nameBytes = Buffer.from(name, 'utf8');
    const fields = (size) => Buffer.alloc(size);
    const local = fields(30);
    local.writeUInt32LE(0x04034b50, 0);
    local.writeUInt16LE(20, 4);
    local.writeUInt16LE(0x800, 6);
    local.writeUInt16LE(method, 8);
    local.writeUInt32LE(zlib.crc32(data), 14);
    local.writeUInt32LE(packed.length, 18);
    local.writeUInt32LE(data.length, 22);
    local.writeUInt16LE(nameBytes.length, 26);
    const entry = fields(46);
    entry.writeUInt32LE(0x02014b50, 0);
    entry.writeUInt16LE(20, 4);
    entry.writeUInt16LE(20, 6);
    entry.writeUInt16LE(0x800, 8);
    entry.writeUInt16LE(method, 10);
    entry.writeUInt32LE(zlib.crc32(data), 16);
    entry.writeUInt32LE(packed.length, 20);
    entry.writeUInt32LE(data.length, 24);
    entry.writeUInt16LE(nameBytes.length, 28);
    entry.writeUInt32LE(offset, 42);
    locals.push(local, nameBytes, packed);
    central.push(entry, nameBytes);
    offset += 30 + nameBytes.length + packed.length;
  });
  const directory = Buffer.concat(central);
  const end = Buffer.alloc(22);
  end.writeUInt32LE(0x06054b50, 0);
  end.writeUInt16LE(files.length, 8);
  end.writeUInt16LE(files.length, 10);
  end.writeUInt32LE(directory.length, 12);
  end.writeUInt32LE(offset, 16);
  return Buffer.concat([...locals, directory, end]);
}

// A Darwin Core archive made from longTables' rows: an Event core (each route and year a walk
// with locationID and eventDate, its stops child events that inherit them) and an Occurrence
// extension (the detections, with one absence); one stop of each walk has no occurrence (an
// empty walk), and eml.xml gives the citation. Written into `dir` as survey.zip and as its loose
// files in dwc/; and notarchive.zip, a zip of tables that are not an archive.
export function darwinCoreArchive(dir) {
  const events = ['eventID,parentEventID,locationID,eventDate'];
  const occurrences = ['eventID,scientificName,occurrenceStatus'];
  const tables = { 2019: 'ditches-week-4.csv', 2020: 'ditches-week24.csv', 2021: 'plots-1-25.csv' };
  for (const [route, years] of [['A', [2019, 2020, 2021]], ['B', [2020, 2021]]]) {
    for (const year of years) {
      const walk = `${route}-${year}`;
      events.push(`${walk},,${route},${year}-06-0${route === 'A' ? 1 : 2}`);
      const [header, ...lines] = readFileSync(join(root, 'examples/data', tables[year]), 'utf8').trim().split(/\r?\n/);
      const species = header.split(',').slice(1);
      lines.slice(0, 10).forEach((line, n) => {
        const [site, ...cells] = line.split(',');
        events.push(`${walk}-${site},${walk},,`);
        cells.forEach((c, i) => { if (Number(c) > 0) occurrences.push(`${walk}-${site},${species[i]},present`); });
        // the first stop's first species not found there: an absence
        if (n === 0) occurrences.push(`${walk}-${site},${species[cells.findIndex((c) => !(Number(c) > 0))]},absent`);
      });
      events.push(`${walk}-empty,${walk},,`);
    }
  }
  const dwc = (term) => `http://rs.tdwg.org/dwc/terms/${term}`;
  const meta = '<?xml version="1.0" encoding="UTF-8"?>\n<archive xmlns="http://rs.tdwg.org/dwc/text/" metadata="eml.xml">\n'
    + '  <core encoding="UTF-8" fieldsTerminatedBy="," linesTerminatedBy="\\n" fieldsEnclosedBy="" ignoreHeaderLines="1" rowType="http://rs.tdwg.org/dwc/terms/Event">\n'
    + '    <files><location>event.txt</location></files>\n    <id index="0"/>\n'
    + ['eventID', 'parentEventID', 'locationID', 'eventDate'].map((t, i) => `    <field index="${i}" term="${dwc(t)}"/>\n`).join('')
    + '  </core>\n'
    + '  <extension encoding="UTF-8" fieldsTerminatedBy="," linesTerminatedBy="\\n" fieldsEnclosedBy="" ignoreHeaderLines="1" rowType="http://rs.tdwg.org/dwc/terms/Occurrence">\n'
    + '    <files><location>occurrence.txt</location></files>\n    <coreid index="0"/>\n'
    + ['eventID', 'scientificName', 'occurrenceStatus'].map((t, i) => `    <field index="${i}" term="${dwc(t)}"/>\n`).join('')
    + '  </extension>\n</archive>\n';
  const eml = '<?xml version="1.0" encoding="UTF-8"?>\n<eml:eml xmlns:eml="https://eml.ecoinformatics.org/eml-2.2.0" packageId="x" system="x">\n'
    + '<dataset><alternateIdentifier>https://doi.org/10.9999/ditch-walks</alternateIdentifier>\n'
    + '<title xml:lang="en">Ditch walks &amp; forest plots</title>\n'
    + '<creator><individualName><givenName>Ana</givenName><surName>Lind</surName></individualName></creator>\n'
    + '<creator><organizationName>Field Station North</organizationName></creator>\n'
    + '<pubDate>2024-03-01</pubDate>\n'
    + '<intellectualRights><para>This work is licensed under a <ulink url="http://creativecommons.org/licenses/by/4.0/legalcode"><citetitle>Creative Commons Attribution (CC-BY 4.0) License</citetitle></ulink>.</para></intellectualRights>\n'
    + '</dataset>\n</eml:eml>\n';
  const files = [['meta.xml', meta], ['event.txt', events.join('\n') + '\n'], ['occurrence.txt', occurrences.join('\n') + '\n'], ['eml.xml', eml]];
  mkdirSync(join(dir, 'dwc'), { recursive: true });
  for (const [name, text] of files) writeFileSync(join(dir, 'dwc', name), text);
  writeFileSync(join(dir, 'survey.zip'), zipOf(files));
  writeFileSync(join(dir, 'notarchive.zip'), zipOf([['readme.txt', 'Counts of 2020\n'], ['counts.csv', 'plot,birds\np1,3\n']]));
  return {
    zip: join(dir, 'survey.zip'),
    loose: files.map(([name]) => join(dir, 'dwc', name)),
    notArchive: join(dir, 'notarchive.zip'),
  };
}

// The rows of a CSV without quoted fields (plan.csv), as objects by column name.
export function csvRecords(csv) {
  const [header, ...rows] = csv.split('\r\n').filter(Boolean).map((line) => line.split(','));
  return rows.map((row) => Object.fromEntries(header.map((h, i) => [h, row[i] ?? ''])));
}
