// What the page says when it cannot go on, worded for someone using its controls: the programs'
// texts (which stay as they are on the command line) with their option flags replaced by the
// page's controls and without the program's name; and the page's own checks of a chosen file
// before the engine reads it.

// The command-line options the programs' texts mention, and the page's controls for them.
const CONTROLS = [
  [/give --na-absent to take it as absent/g, 'tick "Take NA cells as absent" (under Options) to take it as absent'],
  [/give --fold-case to take them as one/g, 'tick "One name whatever the case" (under Options) to take them as one'],
  [/name a column called otherwise with --(\w+)/g, 'pick the $1 column under "Column names"'],
  [/\(named with --count; /g, '(chosen as the count column; '],
  [/name the one to use with --count/g, 'pick the one to use as the count column under "Column names"'],
  [/^--seed 0 /, 'Seed 0 '],
  // Darwin Core archives: the terms are picked under "Darwin Core terms".
  [/give --species-rank-only to leave them out/g, 'tick "Leave out taxa above species rank" (under "Darwin Core terms") to leave them out'],
  [/were left out \(--species-rank-only\)/g, 'were left out ("Leave out taxa above species rank")'],
  [/name the (\w+)(?:'s)? term with --\w+/g, 'pick the $1 term under "Darwin Core terms"'],
  [/--(group|sample|site|species|count) ("[^"]*"): the archive has no such term/g, 'the $1 term $2: the archive has no such term'],
];

// A program's message (without its "kelvaro-prep: " or "kelvaro-batch: " prefix) for the page.
// (Most start with the file's name, which keeps its case.)
export function forPage(text) {
  let out = text;
  for (const [flag, control] of CONTROLS) out = out.replace(flag, control);
  return out;
}

// kelvaro's diagnostic for an input it could not read: its first line, without "kelvaro: " (the
// lines after it are the traditional run-time library's, for the command line).
export function kelvaroDiagnostic(message) {
  const first = message.split('\n')[0].replace(/^kelvaro: /, '');
  return `The kelvaro input could not be read: ${first}.`;
}

// Files that are not text, by their first bytes.
const SIGNATURES = [
  [[0x89, 0x50, 0x4e, 0x47], 'a PNG image'],
  [[0xff, 0xd8, 0xff], 'a JPEG image'],
  [[0x47, 0x49, 0x46, 0x38], 'a GIF image'],
  [[0x25, 0x50, 0x44, 0x46], 'a PDF document'],
  [[0x50, 0x4b, 0x03, 0x04], 'a spreadsheet workbook (.xlsx or .ods) or another zip archive'],
  [[0xd0, 0xcf, 0x11, 0xe0], 'an older Excel workbook (.xls) or another Office document'],
  [[0x1f, 0x8b], 'a compressed (gzip) file'],
];

function startsWith(bytes, signature) {
  return signature.every((b, i) => bytes[i] === b);
}

// What is wrong with a file chosen as a table, before it is read; null when it may be one.
export function notATable(name, bytes) {
  if (bytes.length === 0) return `${name} is empty: choose the file that holds the table.`;
  if ((bytes[0] === 0xff && bytes[1] === 0xfe) || (bytes[0] === 0xfe && bytes[1] === 0xff)) {
    return `${name} is text saved as UTF-16, which tables are not read in: save it again as "CSV UTF-8" (or plain CSV) and choose that file.`;
  }
  const found = SIGNATURES.find(([signature]) => startsWith(bytes, signature));
  const binary = bytes.subarray(0, 4096).includes(0);
  if (!found && !binary) return null;
  const what = found ? found[1] : 'a binary file, not text';
  return `${name} is not a CSV table: it looks like ${what}. Choose the CSV file itself; from a spreadsheet, save the sheet as CSV (File, Save as, CSV) and choose that file.`;
}

// What is wrong with a file chosen as a kelvaro input, before it is run; null when it may be one.
// A kelvaro input starts with the numbers of its header (t1 t2 pair nreps seed); a table starts
// with the names of its header row.
export function notAnInput(name, bytes) {
  const table = notATable(name, bytes);
  if (table) return table.replace('is not a CSV table', 'is not a kelvaro input');
  const text = new TextDecoder().decode(bytes.subarray(0, 4096));
  const first = text.trimStart().charAt(0);
  if (first === '' || /[0-9+\-.]/.test(first)) return null;
  return `${name} looks like a table, not a kelvaro input (a kelvaro input starts with the numbers t1 t2 pair nreps seed). `
    + 'For two site-by-species tables choose "Two site-by-species tables" above; for a table with a sample column, "One long table".';
}

const ROLES = { group: 'the group', sample: 'the sample', site: 'the site', species: 'the species', count: 'the count' };

function list(items) {
  return items.length < 2 ? items.join('') : `${items.slice(0, -1).join(', ')} and ${items[items.length - 1]}`;
}

// The columns the long table lacks, every one at once, with the columns it has.
export function missingColumnsText(file, missing, names, header) {
  const lacks = missing.map((role) => `"${names[role]}" (${ROLES[role]})`);
  const has = header.length ? header.map((h) => `"${h}"`) : ['no names'];
  return `${file} has no column ${list(lacks)}. Its columns are ${list(has.slice(0, 12))}${has.length > 12 ? ` and ${has.length - 12} more` : ''}: `
    + `pick the right ones under "Column names"${missing.includes('group') ? ', or "none" for a table without groups' : ''}.`;
}

// The Plan tab's fields, by the names kelvaro-plan's checks give them (as a function's arguments:
// "detection_change"). The names that are also plain words (species, detection) are replaced only
// where they name the field: at the start of the message and in the phrases below.
const PLAN_FIELDS = {
  species: 'Species in Sample 1\'s community',
  persistence: 'Persistence',
  colonists: 'Colonists',
  detection: 'Mean detection probability per site',
  heterogeneity: 'Heterogeneity K',
  sites: 'Numbers of sites',
  surveys: 'Simulated surveys per design',
  nreps: 'Bootstrap replicates per analysis',
  carryover: 'A persisting species\' detection in Sample 2',
  target: 'Target',
  assurance: 'Assurance',
  max_surveys: 'Most simulated surveys per design',
};
const PLAN_NAMES = {
  from_pilot: 'Pilot survey',
  detection_change: '"Detection in Sample 2 / Sample 1"',
  until_target: '"Go on ... until a design meets the target"',
  sites1: '"Numbers of sites"',
  sites2: '"Sample 2\'s numbers of sites"',
};
const PLAN_PHRASES = [
  [/give colonists or a larger persistence/, 'give "Colonists" or a larger "Persistence"'],
  [/Give species, detection and heterogeneity yourself/, 'Give the species, the mean detection and the heterogeneity yourself'],
  [/ with detection /, ' with "Mean detection probability per site" '],
  [/extends sites \(equal numbers of sites\); give it in place of "Numbers of sites" and "Sample 2's numbers of sites"/,
    'extends equal numbers of sites: leave "Sample 2\'s numbers of sites" empty'],
  [/give fewer designs or surveys$/, 'give fewer designs or "Simulated surveys per design"'],
  [/^"Pilot survey": /, 'Pilot survey: '],
  [/simulating species = (\S+), detection = (\S+), heterogeneity = (\S+)$/,
    'simulating $1 species, a mean detection probability of $2 and heterogeneity K $3'],
];

// kelvaro-plan's refusal of a request (or a note about it), with its fields named as the page
// labels them.
export function planMessage(text) {
  let out = text;
  for (const [name, label] of Object.entries(PLAN_NAMES)) out = out.replace(new RegExp(`\\b${name}\\b`, 'g'), label);
  const first = out.match(/^(\w+)( must| is needed|:| ')/);
  if (first && PLAN_FIELDS[first[1]]) out = `"${PLAN_FIELDS[first[1]]}"${out.slice(first[1].length)}`;
  for (const [phrase, words] of PLAN_PHRASES) out = out.replace(phrase, words);
  return out.charAt(0).toUpperCase() + out.slice(1);
}

// A share as a percentage to 3 significant digits: 0.765 -> "76.5%", 0.03 -> "3%".
const percent = (share) => `${Number((100 * Number(share)).toPrecision(3))}%`;

// kelvaro-plan's answer to a target in the Plan tab's words: designs by their sites in each
// sample, bias and coverage as percentages.
//   "...: 10 sites (sites1 = 10, sites2 = 10)"  ->  "...: 10 sites in each sample"
//   "N(1) coverage 0.765 (standard error 0.03) against >= 0.9"
//     ->  "N(1) coverage 76.5% (standard error 3%) against at least 90%"
export function planAnswer(text) {
  return text
    .replace(/(\d+) and (\d+) sites \(sites1 = \d+, sites2 = \d+\)/g, '$1 sites in Sample 1 and $2 in Sample 2')
    .replace(/(\d+) sites \(sites1 = \d+, sites2 = \d+\)/g, '$1 sites in each sample')
    .replace(/(bias|coverage) (\S+) \(standard error (\S+)\) against (>=|<=) ([^,;]+)/g,
      (_, what, value, se, comparison, bound) => `${what} ${percent(value)} (standard error ${percent(se)}) `
        + `against ${comparison === '>=' ? 'at least' : 'at most'} ${percent(bound)}`);
}
