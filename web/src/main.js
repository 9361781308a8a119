// The page: reads the user's files in the browser, runs the engine in a Web Worker, shows the
// tables, warnings, charts and report, and offers everything for download. Nothing is sent
// anywhere: the files are read with FileReader and the results made into Blob links.
import { runInWorker, cancelWorker, startEngine } from './engine.js';
import { richnessChart, dynamicsChart, bootstrapChart, groupRichnessChart, lambdaChart, chartFiles, describe, WIDTH } from './charts.js';
import { setUpPlan } from './plan.js';
import { forPage, kelvaroDiagnostic, notATable, notAnInput, missingColumnsText } from './messages.js';
import { fillTable, SHOWN_DECIMALS, blocksNote, ESTIMATORS_NOTE, TEST_NOTE, STANDARDISED_NOTE } from './tables.js';
import { curvesChart, coverageChart, comparisonLines } from './curves.js';
import { resultLine, settingsText, plural } from './summary.js';
import { records, richnessByGroup, lambdas } from './batch.js';
import { longExample } from './examples.js';
import { isZip, unzip, looksLikeXml, hasDarwinCoreHeader, parseXmlFiles, archiveName, ArchiveRefusal } from './archive.js';
import exampleSample1 from '../../examples/data/ditches-week-4.csv';
import exampleSample2 from '../../examples/data/ditches-week24.csv';
import exampleInput from '../../examples/two-samples.txt';

const $ = (selector) => document.querySelector(selector);

function setState(state) {
  document.body.dataset.state = state;
}

function say(text) {
  $('#status').textContent = text;
}

async function fileBytes(input) {
  const file = input.files[0];
  return { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
}

const objectUrls = new Map();

// Points the link at a file holding `data` (a string or a Blob) under the name `filename`.
function offer(link, data, filename, type = 'text/plain') {
  if (objectUrls.has(link)) URL.revokeObjectURL(objectUrls.get(link));
  const blob = data instanceof Blob ? data : new Blob([data], { type });
  const url = URL.createObjectURL(blob);
  objectUrls.set(link, url);
  link.href = url;
  link.download = filename;
  link.hidden = false;
}

// The width a chart may take in `container`: at most WIDTH, never wider than the container.
function chartWidth(container) {
  return Math.max(240, Math.min(WIDTH, Math.floor(container.clientWidth || WIDTH)));
}

// ---------------------------------------------------------------------------------------------
// Tabs (the WAI-ARIA tabs pattern: arrow keys move between tabs).

function setUpTabs() {
  const tabs = [...document.querySelectorAll('[role="tab"]')];
  const select = (tab) => {
    for (const t of tabs) {
      const selected = t === tab;
      t.setAttribute('aria-selected', String(selected));
      t.tabIndex = selected ? 0 : -1;
      $('#' + t.getAttribute('aria-controls')).hidden = !selected;
    }
  };
  tabs.forEach((tab, i) => {
    tab.addEventListener('click', () => select(tab));
    tab.addEventListener('keydown', (e) => {
      const step = e.key === 'ArrowRight' ? 1 : e.key === 'ArrowLeft' ? -1 : 0;
      if (!step) return;
      const next = tabs[(i + step + tabs.length) % tabs.length];
      select(next);
      next.focus();
    });
  });
}

// ---------------------------------------------------------------------------------------------
// The input

function mode() {
  return document.querySelector('input[name="mode"]:checked').value;
}

function showMode() {
  for (const m of ['wide', 'long', 'text']) $('#mode-' + m).hidden = mode() !== m;
}

function setMode(m) {
  document.querySelector(`input[name="mode"][value="${m}"]`).checked = true;
  showMode();
}

const COLUMNS = ['group', 'sample', 'site', 'species', 'count'];

function options() {
  const o = {
    nreps: Number($('#nreps').value),
    seed: Number($('#seed').value),
    rangeAdjustment: $('#range-adjustment').checked,
    separator: $('#separator').value,
    naAbsent: $('#na-absent').checked,
    foldCase: $('#fold-case').checked,
    columns: Object.fromEntries(COLUMNS.map((c) => [c, $('#col-' + c).value.trim()])),
  };
  // An archive's long table, as kelvaro-batch reads it: its own columns, commas, no NA cells.
  if (archiveChosen()) Object.assign(o, { separator: 'comma', naAbsent: false, columns: Object.fromEntries(COLUMNS.map((c) => [c, c])) });
  return o;
}

// A field that must hold a whole number from `least` to `most`: its problem, or null.
function wholeNumberProblem(input, label, least, most, advice) {
  const text = input.value.trim();
  if (input.validity.badInput || text === '') {
    return `${label} is empty or not a number: give a whole number from ${least} to ${most}. ${advice}`;
  }
  const value = Number(text);
  if (!Number.isInteger(value) || value < least || value > most) {
    return `${label}: ${text} is not a whole number from ${least} to ${most}. ${advice}`;
  }
  return null;
}

// The options' own limits (those of kelvaro-prep), before anything runs: the problem and the
// field it is in, or null.
function optionProblem() {
  const checks = [
    ['#nreps', 'Bootstrap replicates', 0, 10000, '200 or more give intervals you can publish; 0 gives no intervals.'],
    ['#seed', 'Seed', -2147483648, 2147483647, 'The same seed gives the same results (400, say); 0 takes the seed from the clock, and the run cannot be repeated.'],
  ];
  for (const [id, ...check] of checks) {
    const problem = wholeNumberProblem($(id), ...check);
    if (problem) return { problem, field: $(id) };
  }
  return null;
}

// The bundled examples, when the user asked for them, in place of the files chosen.
const examples = { wide: null, long: null, text: null };

function forgetExample(which) {
  examples[which] = null;
  $(`#${which === 'wide' ? '' : which + '-'}example-note`).hidden = true;
}

class Refusal extends Error {
  constructor(message, field, command = null) {
    super(message);
    this.field = field;
    this.command = command;
  }
}

// A chosen file's bytes, refused when it is plainly not what `check` says it must be.
async function chosenFile(input, what, check = notATable) {
  if (!input.files.length) throw new Refusal(`Choose ${what}.`, input);
  const file = await fileBytes(input);
  const problem = check(file.name, file.bytes);
  if (problem) throw new Refusal(problem, input);
  return file;
}

async function wideFiles() {
  if (examples.wide) return examples.wide;
  if (!$('#sample1').files.length && !$('#sample2').files.length) {
    throw new Refusal('Choose a CSV file for each sample (Sample 1 and Sample 2), or try the example data.', $('#sample1'));
  }
  return Promise.all([chosenFile($('#sample1'), 'a CSV file for Sample 1'), chosenFile($('#sample2'), 'a CSV file for Sample 2')]);
}

async function longFile() {
  if (examples.long) return examples.long;
  const source = await longSource();
  return source.archive ? archiveTable(source) : source.file;
}

// ---------------------------------------------------------------------------------------------
// Darwin Core archives in the long-table mode: a zip, or several files chosen at once, known by
// their bytes. The archive is unpacked and its XML parsed once per choice; the engine reads it
// into kelvaro-batch's long table once per choice of terms. The column fields then hold terms.

let chosenSource = null;  // the files chosen, read: a promise of {file} or {archive: {...}}

const TERM_DEFAULTS = { group: 'locationID', sample: 'year', site: 'eventID', species: 'scientificName', count: '' };
const TERM_LABELS = {
  group: 'Group term (default locationID)', sample: 'Sample term (default year)', site: 'Site term (default eventID)',
  species: 'Species term (default scientificName)', count: 'Count term (empty: individualCount, then organismQuantity, then presence)',
};
const COLUMN_LABELS = {};  // the long table's labels, kept while an archive is chosen
let tableColumns = null;   // the long table's column names, kept while an archive is chosen

function archiveChosen() {
  return mode() === 'long' && !examples.long && chosenSource !== null && chosenSource.isArchive === true;
}

// Switches the column fields between a long table's names and an archive's terms.
function useTerms(on) {
  const inUse = tableColumns !== null;
  if (on === inUse) return;
  for (const c of COLUMNS) {
    const label = document.querySelector(`label[data-column="${c}"]`);
    if (!COLUMN_LABELS[c]) COLUMN_LABELS[c] = label.textContent;
    label.textContent = on ? TERM_LABELS[c] : COLUMN_LABELS[c];
  }
  if (on) {
    tableColumns = Object.fromEntries(COLUMNS.map((c) => [c, $('#col-' + c).value]));
    for (const c of COLUMNS) $('#col-' + c).value = TERM_DEFAULTS[c];
  } else {
    for (const c of COLUMNS) $('#col-' + c).value = tableColumns[c];
    tableColumns = null;
  }
  $('#columns-summary').textContent = on ? 'Darwin Core terms' : 'Column names';
  $('#species-rank-only-field').hidden = !on;
  $('#columns-hint').textContent = on ? 'The terms the long table is made of; once the archive is read, pick each from the terms it holds.'
    : 'Once a table is read, pick each column from its header.';
  $('#archive-info').hidden = true;
}

async function readChoice(input) {
  const files = await Promise.all([...input.files].map(async (f) => ({ name: f.name, bytes: new Uint8Array(await f.arrayBuffer()) })));
  if (files.length === 1 && !isZip(files[0].bytes)) {
    const problem = notATable(files[0].name, files[0].bytes);
    if (problem) throw new Refusal(problem, input);
    return { file: files[0] };
  }
  if (files.length === 1) {
    let entries;
    try {
      entries = await unzip(files[0].name, files[0].bytes);
    } catch (e) {
      if (e instanceof ArchiveRefusal) throw new Refusal(e.message, input);
      throw e;
    }
    return { archive: { name: files[0].name, files: entries, ...parseXmlFiles(entries) } };
  }
  const named = files.map((f) => ({ name: archiveName(f.name), bytes: f.bytes }));
  if (!named.some((f) => looksLikeXml(f.bytes) || hasDarwinCoreHeader(f.bytes))) {
    throw new Refusal(`The ${files.length} files chosen are not the files of a Darwin Core archive (none is meta.xml and none has a header row of Darwin Core terms such as eventID or scientificName): choose one long table, or an archive's files together.`, input);
  }
  return { archive: { name: 'chosen files', files: named, ...parseXmlFiles(named) } };
}

// The files chosen for the long-table mode, read once per choice.
function longSource() {
  const input = $('#long-table');
  if (!input.files.length) {
    return Promise.reject(new Refusal('Choose a long table (a CSV file) or a Darwin Core archive, or try the example long table.', input));
  }
  if (!chosenSource) {
    chosenSource = readChoice(input);
    chosenSource.then((s) => { chosenSource.isArchive = Boolean(s.archive); }, () => {});
  }
  return chosenSource;
}

// The archive's long table with the terms in the column fields: {name, bytes, archive: the
// engine's reading}. Throws a Refusal with the engine's message.
async function archiveTable(source) {
  const a = source.archive;
  const terms = { ...Object.fromEntries(COLUMNS.map((c) => [c, $('#col-' + c).value.trim()])), taxonId: false, speciesRankOnly: $('#species-rank-only').checked };
  const key = JSON.stringify(terms);
  if (a.key !== key) {
    a.key = key;
    a.reading = runInWorker('readArchive', [a.name, a.files, a.trees, a.errors, terms]);
  }
  const r = await a.reading;
  if (r.status !== 0) {
    const advice = /this is no Darwin Core archive/.test(r.text)
      ? ' Choose a Darwin Core archive (a zip with meta.xml, or with an event and an occurrence table), or a long table saved as CSV.' : '';
    throw new Refusal(forPage(r.text).replace(/\.?$/, '.') + advice, $('#long-table'), r.message);
  }
  a.held = r.held;
  return { name: r.name, label: `${r.archive} (Darwin Core archive)`, bytes: new TextEncoder().encode(r.table), archive: r };
}

// How the archive was read (its tables, records and warnings), under the file field.
function showArchive(r) {
  $('#archive-description').textContent = `${r.description}: ${plural(r.records, 'record')}.`;
  $('#archive-warnings').replaceChildren(...r.warnings.map((w) => listItem(forPage(w.text))));
  $('#archive-info').hidden = false;
}

// The data's citation beside the results, with source.json to download.
function showCitation(container, r) {
  container.hidden = !r;
  if (!r) return container.replaceChildren();
  const c = r.citation;
  const line = (label, text) => {
    const p = document.createElement('p');
    const strong = document.createElement('strong');
    strong.textContent = label;
    p.append(strong, ' ', text);
    return p;
  };
  const items = [];
  const about = [c.title || r.archive, c.creators.length ? ` by ${c.creators.join(', ')}` : '', c.published ? ` (${c.published})` : ''].join('');
  items.push(line('Data:', about + '.'));
  if (c.licence) {
    const p = line('Licence:', c.licence);
    if (c.licenceUrl && /^https?:\/\//.test(c.licenceUrl) && !c.licence.includes(c.licenceUrl)) {
      const a = Object.assign(document.createElement('a'), { href: c.licenceUrl, textContent: c.licenceUrl, rel: 'noopener noreferrer', target: '_blank' });
      p.append(' (', a, ')');
    }
    items.push(p);
  }
  if (c.text) items.push(line('Cite the data as:', c.text));
  const p = document.createElement('p');
  const link = document.createElement('a');
  link.textContent = 'source.json';
  link.className = 'download-source';
  p.append(link, ' (the archive, how it was read and its citation, as kelvaro-batch writes it beside its tables)');
  items.push(p);
  container.replaceChildren(...items);
  offer(link, r.source, 'source.json', 'application/json');
}

// ---------------------------------------------------------------------------------------------
// The long table's groups and samples, read when the file or its columns change. Only the latest
// reading counts; the user's choice of group and samples is kept where the new reading has it.

let longGroups = [];
let longReading = 0;

async function readLongTable() {
  if (!examples.long && !$('#long-table').files.length) return;
  if (!examples.long) {
    const source = await longSource().catch(() => null);
    useTerms(Boolean(source && source.archive));
  }
  const reading = ++longReading;
  const running = () => document.body.dataset.state === 'running';
  if (!running()) say('Reading the table…');
  let groups = [];
  let grouped = true;
  try {
    const file = await longFile();
    const r = await runInWorker('longTableSamples', [file.bytes, file.name, options()]);
    if (reading !== longReading) return;
    if (file.archive) {
      // An archive without locationID is one group "all": its field says so.
      if (file.archive.terms.group === '') $('#col-group').value = '';
      showArchive(file.archive);
      showHeader(file.archive.held, [], true);
    } else {
      showHeader(r.header || null, r.missingColumns || []);
    }
    if (r.status !== 0) {
      if (r.missingColumns) {
        showRefusal(missingColumnsText(file.name, r.missingColumns, options().columns, r.header), r.message);
        $('#columns').open = true;
        $(`#col-${r.missingColumns[0]}-pick`).focus();
      } else {
        showRefusal(forPage(r.text), r.message);
      }
    } else {
      groups = r.groups;
      grouped = r.grouped;
      $('#error').hidden = true;
      const samples = groups.reduce((n, g) => n + g.samples.length, 0);
      if (!running()) say(grouped
        ? `${file.label || file.name}: ${plural(r.records, 'record')} in ${plural(groups.length, 'group')}. Pick a group and two samples, or every pair.`
        : `${file.label || file.name}: ${plural(r.records, 'record')}, no group column: one group of ${plural(samples, 'sample')}. Pick two samples, or every pair.`);
      if (!running()) setState('ready');
    }
  } catch (e) {
    if (reading !== longReading) return;
    if (archiveChosen()) {
      $('#archive-info').hidden = true;
      const held = (await chosenSource).archive.held;
      showHeader(held || null, [], true);
    }
    if (e.name !== 'AbortError') showRefusal(e.message, e.command, e.field);
  }
  longGroups = groups;
  $('#group').closest('.field').hidden = !grouped;
  $('#pair-pick').hidden = groups.length === 0;
  fillGroups();
}

function fillOptions(select, labels, preferred) {
  const chosen = labels.includes(select.value) ? select.value : preferred;
  select.replaceChildren(...labels.map((l) => new Option(l, l, false, l === chosen)));
}

function fillGroups() {
  const names = longGroups.map((g) => g.name);
  fillOptions($('#group'), names, names[0]);
  fillSamples();
}

function fillSamples() {
  const group = longGroups.find((g) => g.name === $('#group').value);
  const samples = group ? group.samples : [];
  fillOptions($('#first-sample'), samples, samples[0]);
  fillOptions($('#second-sample'), samples, samples[1]);
}

// The header's names as drop-downs for the columns, once the table's header is known; the
// columns it lacks marked. Without a header, the names are typed.
function showHeader(header, missing, terms = false) {
  for (const role of COLUMNS) {
    const input = $('#col-' + role);
    const pick = $(`#col-${role}-pick`);
    const label = document.querySelector(`label[data-column="${role}"]`);
    if (!header) {
      input.hidden = false;
      pick.hidden = true;
      label.htmlFor = input.id;
      continue;
    }
    const value = input.value.trim();
    const optional = role === 'group' || role === 'count';
    const choices = [];
    if (missing.includes(role)) choices.push(new Option(`choose: no column "${value}"`, '\u0000', true, true));
    const none = terms ? { group: 'none: one group "all"', count: 'individualCount, then organismQuantity, then presence' }
      : { group: 'none: one group', count: 'found by name' };
    if (optional && !(terms && role === 'group' && value !== '')) choices.push(new Option(none[role], '', false, value === ''));
    const match = header.find((h) => h.trim().toLowerCase() === value.toLowerCase());
    for (const h of header) choices.push(new Option(h, h, false, h === match && !missing.includes(role)));
    pick.replaceChildren(...choices);
    if (choices.length && missing.includes(role)) choices[0].disabled = true;
    pick.setAttribute('aria-invalid', String(missing.includes(role)));
    input.hidden = true;
    pick.hidden = false;
    label.htmlFor = pick.id;
  }
}

// ---------------------------------------------------------------------------------------------
// Running

// What the shown results came from, to say so above them and to mark them when it changes.
let shownFrom = null;

function clearResults() {
  $('#results').hidden = true;
  $('#error').hidden = true;
  $('#batch-results').hidden = true;
  $('#batch-downloads').hidden = true;
  $('#stale-note').hidden = true;
  $('#batch-stale-note').hidden = true;
  for (const id of ['#parameters', '#blocks', '#estimators', '#tests', '#standardised', '#curves-comparison', '#curves-warnings', '#batch-parameters', '#batch-problems', '#warnings']) $(id).replaceChildren();
  $('#report').textContent = '';
  showCitation($('#results-citation'), null);
  showCitation($('#batch-citation'), null);
  for (const c of document.querySelectorAll('.chart-body')) c.replaceChildren();
  for (const field of document.querySelectorAll('[aria-invalid="true"]:not(.col-pick)')) field.removeAttribute('aria-invalid');
  shownFrom = null;
}

// Marks the results shown as those of an earlier input, once the input changes.
function inputChanged() {
  if (!shownFrom) return;
  const note = `These results are from the earlier input (${shownFrom}). The input has changed: press Analyse for new results.`;
  for (const id of ['#stale-note', '#batch-stale-note']) {
    $(id).textContent = note;
    $(id).hidden = false;
  }
  $('#results').classList.add('stale');
  $('#batch-results').classList.add('stale');
  if (document.body.dataset.state === 'done') say('The input has changed: press Analyse for new results.');
}

// Shows that the data could not be analysed: `message` for the page, and the program's own
// text (as the command line prints it) under it when there is one.
function showRefusal(message, command = null, field = null) {
  $('#error-message').textContent = message;
  $('#error-command').hidden = !command || command === message;
  $('#error-command-text').textContent = command || '';
  $('#error').hidden = false;
  say('The analysis could not be made: see the message below.');
  setState('error');
  if (field) {
    field.setAttribute('aria-invalid', 'true');
    field.focus();
  }
}

function showProgress(m) {
  const bar = $('#progress');
  if (m.what === 'pairs') {
    bar.max = m.total;
    bar.value = m.done;
    say(`Pair ${m.done} of ${m.total}…`);
  } else {
    const names = ['', 'Sample 1', 'Sample 2', 'Subset A', 'Subset B'];
    bar.max = 4 * m.total;
    bar.value = (m.block - 1) * m.total + m.done;
    say(`Bootstrap of ${names[m.block]}: ${m.done} of ${m.total} replicates…`);
  }
}

// The engine's call for the input, its arguments, and what the results will say they came from.
async function request(o) {
  if (mode() === 'wide') {
    const [a, b] = await wideFiles();
    return { call: 'analyseWide', args: [a.bytes, a.name, b.bytes, b.name, o], from: `${a.name} (Sample 1) and ${b.name} (Sample 2); ${settingsText(o)}` };
  }
  if (mode() === 'text') {
    const file = examples.text || await chosenFile($('#input-file'), 'a kelvaro input file, or try the example input', notAnInput);
    return { call: 'analyseText', args: [file.bytes], from: file.name, file };
  }
  const file = await longFile();
  // An archive's files say their own separators: the settings say none.
  const settings = settingsText(file.archive ? { ...o, separator: '' } : o);
  if ($('#all-pairs').checked) {
    return { call: 'analyseBatch', args: [file.bytes, file.name, o], from: `${file.name}, every consecutive pair of every group; ${settings}`, archive: file.archive };
  }
  if (!$('#first-sample').options.length) {
    throw new Refusal('The table has no group with two samples to pick: check its columns under "Column names".', null);
  }
  const group = $('#group').value;
  const [first, second] = [$('#first-sample').value, $('#second-sample').value];
  if (first === second) {
    throw new Refusal(`Sample 1 and Sample 2 are both "${first}": choose two different samples (the ⇄ button swaps them).`, $('#second-sample'));
  }
  const where = group === '' ? '' : `group ${group}, `;
  return {
    call: 'analyseLongPair',
    args: [file.bytes, file.name, o, group, first, second],
    from: `${file.name}, ${where}samples ${first} (Sample 1) and ${second} (Sample 2); ${settings}`,
    archive: file.archive,
  };
}

async function run() {
  // At once, before the files are read: a script that clicks Analyse and waits for `done` or
  // `error` must not see the previous run's state.
  setState('running');
  clearResults();
  const problem = optionProblem();
  if (problem) return showRefusal(problem.problem, null, problem.field);
  let ask;
  try {
    ask = await request(options());
  } catch (e) {
    return showRefusal(e.message, e.command, e.field);
  }
  setState('running');
  $('#run').disabled = true;
  $('#cancel').hidden = false;
  $('#progress').hidden = false;
  $('#progress').removeAttribute('value');
  say('Running…');
  const started = performance.now();
  try {
    const result = await runInWorker(ask.call, ask.args, showProgress);
    const elapsed = (performance.now() - started) / 1000;
    const seconds = elapsed < 10 ? elapsed.toFixed(2) : elapsed.toFixed(0);
    if (ask.call === 'analyseBatch') showBatch(result, seconds, ask);
    else showResult(result, seconds, ask);
  } catch (e) {
    if (e.name === 'AbortError') {
      say('Cancelled: nothing was kept from the run.');
      setState('cancelled');
    } else {
      showRefusal('The engine failed: ' + e.message);
    }
  } finally {
    $('#run').disabled = false;
    $('#cancel').hidden = true;
    $('#progress').hidden = true;
  }
}

// ---------------------------------------------------------------------------------------------
// Showing

function showWarnings(warnings) {
  const list = $('#warnings');
  list.replaceChildren(...warnings.map((w) => {
    const li = document.createElement('li');
    const where = document.createElement('strong');
    where.textContent = (w.line > 0 ? `line ${w.line}: ` : '') + w.block + ': ';
    li.append(where, w.text);
    li.dataset.kind = w.kind;
    return li;
  }));
  $('#warnings-none').hidden = warnings.length > 0;
}

function addChart(container, node, name, description) {
  const figure = document.createElement('div');
  figure.className = 'chart';
  const downloads = document.createElement('p');
  downloads.className = 'chart-downloads';
  const svgLink = document.createElement('a');
  svgLink.textContent = `${name}.svg`;
  svgLink.className = 'download-svg';
  const pngLink = document.createElement('a');
  pngLink.textContent = `${name}.png`;
  pngLink.className = 'download-png';
  pngLink.href = '#';
  figure.append(node, downloads);
  downloads.append('Download: ', svgLink, ' ', pngLink);
  container.append(figure);
  describe(node, description);
  const files = chartFiles(node);
  offer(svgLink, files.svg, `${name}.svg`, 'image/svg+xml');
  pngLink.download = `${name}.png`;
  files.png.then((blob) => offer(pngLink, blob, `${name}.png`)).catch(() => { pngLink.hidden = true; });
}

function slug(name) {
  return name.replace(/[()]/g, '').replace(/[^A-Za-z0-9]+/g, '-').toLowerCase();
}

function showCharts(charts) {
  const width = chartWidth($('#chart-richness'));
  addChart($('#chart-richness'), richnessChart(charts, width), 'richness', 'Chart of each sample\'s richness');
  const twoSamples = charts.parameters.length > 0;
  $('#dynamics-section').hidden = !twoSamples;
  if (twoSamples) addChart($('#chart-dynamics'), dynamicsChart(charts, width), 'dynamics', 'Chart of PHI, GAMMA and LAMBDA');
  const shown = charts.parameters.filter((p) => ['N(1)', 'N(2)', 'PHI', 'GAMMA', 'LAMBDA'].includes(p.name));
  const withReplicates = shown.filter((p) => p.replicates.length > 0);
  $('#bootstrap-section').hidden = withReplicates.length === 0;
  for (const p of withReplicates) {
    addChart($('#chart-bootstrap'), bootstrapChart(p, width), 'bootstrap-' + slug(p.name), `Histogram of the bootstrap replicates of ${p.name}`);
  }
}

function listItem(text) {
  const li = document.createElement('li');
  li.textContent = text;
  return li;
}

// Each sample's richness and coverage by effort, the two compared at equal effort and coverage,
// and what the curves' warnings say.
function showCurves(curves, tables) {
  $('#curves-section').hidden = curves.blocks.length === 0 && curves.warnings.length === 0;
  $('#curves-warnings').replaceChildren(...curves.warnings.map((w) => listItem(`${w.block}: ${w.text}`)));
  if (curves.blocks.length === 0) return;
  const width = chartWidth($('#chart-curves'));
  addChart($('#chart-curves'), curvesChart(curves, width), 'curves', 'Chart of each sample\'s richness by the number of sites');
  if (curves.blocks.some((b) => b.points.some((p) => p.coverage !== null))) {
    addChart($('#chart-coverage'), coverageChart(curves, width), 'coverage', 'Chart of each sample\'s coverage by the number of sites');
  }
  $('#curves-comparison').replaceChildren(...comparisonLines(curves).map(listItem));
  const compared = tables.standardised.rows.length > 0;
  $('#standardised-scroll').hidden = !compared;
  if (compared) fillTable($('#standardised'), tables.standardised, 'Sample 1 and Sample 2 at equal effort and at equal coverage', SHOWN_DECIMALS.standardised);
  showNote('#standardised-note', compared ? STANDARDISED_NOTE : '');
}

function showNote(id, text) {
  $(id).textContent = text;
  $(id).hidden = !text;
}

// Moves the reader to the results, and the focus to the line that sums up what came out.
function bringIntoView(summary) {
  summary.closest('section').scrollIntoView({ block: 'start' });
  summary.focus({ preventScroll: true });
}

function showResult(r, seconds, ask) {
  showWarnings(r.warnings);
  $('#report').textContent = r.report;
  if (r.status !== 0) {
    if (ask.call === 'analyseText') {
      showRefusal(kelvaroDiagnostic(r.message), r.message);
    } else if (ask.call === 'analyseLongPair' && r.batch) {
      showRefusal(pairProblem(r.batch.problems), r.message);
      showBatchLinks(r.batch);
    } else {
      showRefusal(r.missingColumns ? missingColumnsText(ask.args[1], r.missingColumns, options().columns, r.header) : forPage(r.text || r.message), r.message);
    }
    if (r.report) $('#results').hidden = false;
    return;
  }
  const t = r.tables;
  fillTable($('#parameters'), t.parameters, 'Community-dynamics parameters (as the report prints them)');
  fillTable($('#blocks'), t.blocks, 'Richness estimate and M(h) goodness-of-fit test of each block', SHOWN_DECIMALS.blocks);
  fillTable($('#estimators'), t.estimators, 'Standard richness estimators of each block, beside kelvaro\'s estimate', SHOWN_DECIMALS.estimators);
  fillTable($('#tests'), t.test, 'Test for unequal detection probability between the samples', SHOWN_DECIMALS.test);
  showNote('#blocks-note', blocksNote(t));
  showNote('#estimators-note', ESTIMATORS_NOTE);
  showNote('#tests-note', t.test.rows.length ? TEST_NOTE : '');
  $('#parameters-section').hidden = t.parameters.rows.length === 0;
  $('#tests-none').hidden = t.test.rows.length > 0;
  offer($('#download-report'), r.report, 'kelvaro-report.txt');
  offer($('#download-parameters'), t.parameters.csv, 'parameters.csv', 'text/csv');
  offer($('#download-blocks'), t.blocks.csv, 'blocks.csv', 'text/csv');
  offer($('#download-tests'), t.test.csv, 'test.csv', 'text/csv');
  offer($('#download-estimators'), t.estimators.csv, 'estimators.csv', 'text/csv');
  offer($('#download-curves'), t.curves.csv, 'curves.csv', 'text/csv');
  offer($('#download-standardised'), t.standardised.csv, 'standardised.csv', 'text/csv');
  offer($('#download-json'), r.tables.json, 'kelvaro-results.json', 'application/json');
  const madeInput = Boolean(r.input) && ask.call !== 'analyseText';
  if (madeInput) offer($('#download-input'), r.input, 'kelvaro-input.txt');
  $('#download-input').parentElement.hidden = !madeInput;
  showBatchLinks(r.batch);
  $('#results').hidden = false;
  $('#results').classList.remove('stale');
  showCharts(r.charts);
  showCurves(r.charts.curves, t);
  let from = ask.from;
  if (ask.call === 'analyseText') {
    const [nreps, seed] = t.run.rows[0];
    from = `${ask.from} (its header: ${plural(Number(nreps), 'bootstrap replicate')}, seed ${seed})`;
  }
  showCitation($('#results-citation'), ask.archive || null);
  $('#results-summary').textContent = resultLine(r.charts, r.warnings.length);
  $('#results-source').textContent = `From ${from}.`;
  shownFrom = from;
  say(`Done in ${seconds} s: ${resultLine(r.charts, r.warnings.length)}.`);
  setState('done');
  bringIntoView($('#results-summary'));
}

// A pair that could not be analysed, from its row of problems.csv.
function pairProblem(problemsCsv) {
  const [p] = records(problemsCsv);
  if (!p) return 'The pair could not be analysed.';
  const where = p.group ? `Group ${p.group}, samples` : 'Samples';
  return `${where} ${p.sample1} and ${p.sample2} cannot be analysed (${p.kind.replace(/_/g, ' ')}): ${p.message}`;
}

function showBatchLinks(batch) {
  const ids = { parameters: '#download-batch-parameters', blocks: '#download-batch-blocks', tests: '#download-batch-tests', estimators: '#download-batch-estimators', problems: '#download-batch-problems' };
  for (const [name, id] of Object.entries(ids)) {
    if (batch) offer($(id), batch[name], `${name}.csv`, 'text/csv');
    else $(id).hidden = true;
  }
  $('#batch-downloads').hidden = !batch;
}

// Each group's richness across its samples, the group chosen from a list when there are many.
function showGroupChart(groups) {
  const pick = $('#batch-group');
  pick.replaceChildren(...groups.map((g, i) => new Option(g.group === '' ? '(the one group)' : g.group, String(i))));
  $('#batch-group-field').hidden = groups.length < 2;
  const draw = () => {
    const group = groups[Number(pick.value)];
    $('#chart-batch-richness').replaceChildren();
    if (!group) return;
    addChart($('#chart-batch-richness'), groupRichnessChart(group, chartWidth($('#chart-batch-richness'))),
      `richness-${slug(group.group || 'all')}`, `Chart of the richness of each sample of group ${group.group}`);
  };
  pick.onchange = draw;
  draw();
}

// The problems of problems.csv, each with its pair.
function showProblems(problems) {
  const shown = problems.slice(0, 200);
  $('#batch-problems').replaceChildren(...shown.map((p) => {
    const li = document.createElement('li');
    const pair = document.createElement('strong');
    pair.textContent = `${p.group ? `${p.group}: ` : ''}${p.sample1} → ${p.sample2}`;
    li.append(pair, ` (${p.kind.replace(/_/g, ' ')}): ${p.message}`);
    li.dataset.kind = p.kind;
    return li;
  }));
  $('#batch-problems-caption').textContent = problems.length > shown.length
    ? `The first ${shown.length} of ${problems.length} rows of problems.csv (pairs not analysed, and warnings).`
    : 'The rows of problems.csv: pairs not analysed, and warnings.';
  $('#batch-problems-section').hidden = problems.length === 0;
}

function showBatch(r, seconds, ask) {
  if (r.status !== 0) return showRefusal(forPage(r.text), r.message, r.text.startsWith('--seed') ? $('#seed') : null);
  showBatchLinks(r.batch);
  const parameters = records(r.batch.parameters);
  const problems = records(r.batch.problems);
  const notAnalysed = r.pairs - r.analysed;
  const warnings = problems.length - notAnalysed;
  const summary = `${r.analysed} of ${plural(r.pairs, 'pair')} analysed${notAnalysed ? `, ${notAnalysed} not (listed below)` : ''}`
    + ` · ${warnings === 0 ? 'no warnings' : `${plural(warnings, 'warning')} (listed below)`}`;
  $('#batch-summary').textContent = summary;
  $('#batch-source').textContent = `From ${ask.from}.`;
  showCitation($('#batch-citation'), ask.archive || null);
  showProblems(problems);
  const groups = richnessByGroup(parameters, records(r.batch.blocks)).filter((g) => g.samples.length > 0);
  $('#batch-charts').hidden = groups.length === 0;
  $('#batch-results').hidden = false;
  $('#batch-results').classList.remove('stale');
  if (groups.length) {
    showGroupChart(groups);
    addChart($('#chart-batch-lambda'), lambdaChart(lambdas(parameters), chartWidth($('#chart-batch-lambda'))), 'lambda', 'Chart of LAMBDA across the pairs');
  }
  const rows = r.batch.parameters.split('\r\n').filter(Boolean).map((line) => line.split(','));
  fillTable($('#batch-parameters'), { columns: rows[0] || [], rows: rows.slice(1, 23) }, 'The first rows of parameters.csv');
  shownFrom = ask.from;
  say(`Done in ${seconds} s: ${summary}.`);
  setState('done');
  bringIntoView($('#batch-summary'));
}

// ---------------------------------------------------------------------------------------------

async function useExample(which) {
  // At once, as Analyse does: a script waiting for `done` must not see the previous run's.
  setState('running');
  const enc = new TextEncoder();
  const inputs = { wide: ['#sample1', '#sample2'], long: ['#long-table'], text: ['#input-file'] };
  for (const id of inputs[which]) $(id).value = '';
  if (which === 'wide') {
    examples.wide = [
      { name: 'ditches-week-4.csv', bytes: enc.encode(exampleSample1) },
      { name: 'ditches-week24.csv', bytes: enc.encode(exampleSample2) },
    ];
    $('#example-note').hidden = false;
  } else if (which === 'long') {
    examples.long = { name: 'example-long-table.csv', bytes: enc.encode(longExample()) };
    offer($('#download-long-example'), longExample(), 'example-long-table.csv', 'text/csv');
    $('#long-example-note').hidden = false;
    useTerms(false);
    for (const [c, name] of Object.entries({ group: 'group', sample: 'sample', site: 'site', species: 'species', count: '' })) $('#col-' + c).value = name;
    showHeader(null, []);
    $('#all-pairs').checked = true;
    $('#pair-pick').disabled = true;
  } else {
    examples.text = { name: 'two-samples.txt', bytes: enc.encode(exampleInput) };
    $('#text-example-note').hidden = false;
  }
  setMode(which);
  if (which === 'long') await readLongTable();
  run();
}

function setUp() {
  setUpTabs();
  for (const radio of document.querySelectorAll('input[name="mode"]')) radio.addEventListener('change', showMode);
  showMode();
  $('#run').addEventListener('click', run);
  $('#cancel').addEventListener('click', () => cancelWorker());
  $('#long-table').addEventListener('change', () => {
    forgetExample('long');
    chosenSource = null;
    // A new archive starts from the archive's default terms.
    if (tableColumns) for (const c of COLUMNS) $('#col-' + c).value = TERM_DEFAULTS[c];
    showHeader(null, []);
    readLongTable();
  });
  for (const c of COLUMNS) {
    $('#col-' + c).addEventListener('change', () => mode() === 'long' && readLongTable());
    $(`#col-${c}-pick`).addEventListener('change', (e) => {
      $('#col-' + c).value = e.target.value;
      readLongTable();
    });
  }
  for (const id of ['#separator', '#na-absent', '#fold-case', '#species-rank-only']) $(id).addEventListener('change', () => mode() === 'long' && readLongTable());
  $('#group').addEventListener('change', () => {
    $('#first-sample').value = '';
    $('#second-sample').value = '';
    fillSamples();
  });
  $('#swap-samples').addEventListener('click', () => {
    const [a, b] = [$('#first-sample').value, $('#second-sample').value];
    $('#first-sample').value = b;
    $('#second-sample').value = a;
    inputChanged();
  });
  $('#all-pairs').addEventListener('change', () => {
    $('#pair-pick').disabled = $('#all-pairs').checked;
  });
  for (const id of ['#sample1', '#sample2']) $(id).addEventListener('change', () => forgetExample('wide'));
  $('#input-file').addEventListener('change', () => forgetExample('text'));
  $('#analyse-form').addEventListener('change', inputChanged);
  $('#analyse-form').addEventListener('input', inputChanged);
  $('#use-example').addEventListener('click', () => useExample('wide'));
  $('#use-long-example').addEventListener('click', () => useExample('long'));
  $('#use-text-example').addEventListener('click', () => useExample('text'));
  setUpPlan(runInWorker, cancelWorker, { offer, addChart, chartWidth });
  startEngine().then(() => {
    if (document.body.dataset.state !== 'loading') return;
    say('Ready: choose your data, or try an example.');
    setState('ready');
  }, (e) => {
    say(`The engine could not start (${e.message}): this page needs a current browser with WebAssembly, such as Firefox or a Chromium-based one.`);
    setState('error');
  });
}

setUp();
