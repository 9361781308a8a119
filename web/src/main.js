// The page: reads the user's files in the browser, runs the engine in a Web Worker, shows the
// tables, warnings, charts and report, and offers everything for download. Nothing is sent
// anywhere: the files are read with FileReader and the results made into Blob links.
import { runInWorker, cancelWorker } from './engine.js';
import { richnessChart, dynamicsChart, bootstrapChart, chartFiles } from './charts.js';
import { setUpPlan } from './plan.js';
import exampleSample1 from '../../examples/data/ditches-week-4.csv';
import exampleSample2 from '../../examples/data/ditches-week24.csv';

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

function options() {
  return {
    nreps: Number($('#nreps').value),
    seed: Number($('#seed').value),
    rangeAdjustment: $('#range-adjustment').checked,
    separator: $('#separator').value,
    naAbsent: $('#na-absent').checked,
    foldCase: $('#fold-case').checked,
    columns: {
      group: $('#col-group').value.trim(),
      sample: $('#col-sample').value.trim(),
      site: $('#col-site').value.trim(),
      species: $('#col-species').value.trim(),
      count: $('#col-count').value.trim(),
    },
  };
}

// The options' own limits (those of kelvaro-prep), before anything runs.
function optionProblem(o) {
  if (!Number.isInteger(o.nreps) || o.nreps < 0 || o.nreps > 10000) {
    return 'Bootstrap replicates: give a whole number from 0 to 10000.';
  }
  if (!Number.isInteger(o.seed) || o.seed < -2147483648 || o.seed > 2147483647) {
    return 'Seed: give a whole number (0 takes the seed from the clock and cannot be repeated).';
  }
  return null;
}

let example = null;  // the bundled example tables, when the user asked for them

async function wideFiles() {
  if (example) return example;
  if (!$('#sample1').files.length || !$('#sample2').files.length) {
    throw new Error('Choose a CSV file for each sample (Sample 1 and Sample 2).');
  }
  const [a, b] = await Promise.all([fileBytes($('#sample1')), fileBytes($('#sample2'))]);
  return [a, b];
}

// The long table's groups and samples, read when the file or its columns change. Only the latest
// reading counts; the user's choice of group and samples is kept where the new reading has it.
let longGroups = [];
let longReading = 0;

async function readLongTable() {
  const input = $('#long-table');
  if (!input.files.length) return;
  const reading = ++longReading;
  say('Reading the table…');
  const o = options();
  const file = await fileBytes(input);
  let groups = [];
  try {
    const r = await runInWorker('longTableSamples', [file.bytes, file.name, o]);
    if (reading !== longReading) return;
    if (r.status !== 0) {
      showRefusal(r.message);
    } else {
      groups = r.groups;
      $('#error').hidden = true;
      say(`${r.records} records in ${r.groups.length} group${r.groups.length === 1 ? '' : 's'}.`);
      setState('ready');
    }
  } catch (e) {
    if (reading !== longReading) return;
    if (e.name !== 'AbortError') showRefusal(String(e.message || e));
  }
  longGroups = groups;
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

// ---------------------------------------------------------------------------------------------
// Running

function clearResults() {
  $('#results').hidden = true;
  $('#error').hidden = true;
  $('#batch-results').hidden = true;
  $('#batch-downloads').hidden = true;
  for (const id of ['#parameters', '#blocks', '#estimators', '#tests']) $(id).replaceChildren();
  $('#warnings').replaceChildren();
  $('#report').textContent = '';
  for (const c of document.querySelectorAll('.chart-body')) c.replaceChildren();
}

function showRefusal(message) {
  $('#error-message').textContent = message;
  $('#error').hidden = false;
  say('The analysis could not be made: see the message below.');
  setState('error');
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

async function run() {
  // At once, before the files are read: a script that clicks Analyse and waits for `done` or
  // `error` must not see the previous run's state.
  setState('running');
  clearResults();
  const o = options();
  const problem = optionProblem(o);
  if (problem) return showRefusal(problem);
  let call;
  let args;
  try {
    if (mode() === 'wide') {
      const [a, b] = await wideFiles();
      call = 'analyseWide';
      args = [a.bytes, a.name, b.bytes, b.name, o];
    } else if (mode() === 'text') {
      if (!$('#input-file').files.length) throw new Error('Choose a kelvaro input file.');
      call = 'analyseText';
      args = [(await fileBytes($('#input-file'))).bytes];
    } else {
      if (!$('#long-table').files.length) throw new Error('Choose a long table (CSV file).');
      const file = await fileBytes($('#long-table'));
      if ($('#all-pairs').checked) {
        call = 'analyseBatch';
        args = [file.bytes, file.name, o];
      } else {
        if (!$('#group').value) throw new Error('The table has no group with two samples to pick.');
        call = 'analyseLongPair';
        args = [file.bytes, file.name, o, $('#group').value, $('#first-sample').value, $('#second-sample').value];
      }
    }
  } catch (e) {
    return showRefusal(e.message);
  }
  setState('running');
  $('#run').disabled = true;
  $('#cancel').hidden = false;
  $('#progress').hidden = false;
  $('#progress').removeAttribute('value');
  say('Running…');
  const started = performance.now();
  try {
    const result = await runInWorker(call, args, showProgress);
    const elapsed = (performance.now() - started) / 1000;
    const seconds = elapsed < 10 ? elapsed.toFixed(2) : elapsed.toFixed(0);
    if (call === 'analyseBatch') showBatch(result, seconds);
    else showResult(result, seconds);
  } catch (e) {
    if (e.name === 'AbortError') {
      say('Cancelled: nothing was kept from the run.');
      setState('cancelled');
    } else {
      showRefusal('the engine failed: ' + e.message);
    }
  } finally {
    $('#run').disabled = false;
    $('#cancel').hidden = true;
    $('#progress').hidden = true;
  }
}

// ---------------------------------------------------------------------------------------------
// Showing

function fillTable(table, data, caption) {
  const head = document.createElement('thead');
  const headRow = head.insertRow();
  for (const c of data.columns) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = c;
    headRow.append(th);
  }
  // Columns of names (the estimators table's estimator, a batch's group) read from the left.
  const isName = (cell) => cell === '' || (Number.isNaN(Number(cell)) && !/^[-+]?(nan|inf)/i.test(cell));
  const names = data.columns.map((_, i) => data.rows.length > 0 && data.rows.every((row) => isName(row[i])));
  names.forEach((name, i) => headRow.children[i].classList.toggle('name', name));
  const body = document.createElement('tbody');
  for (const row of data.rows) {
    const tr = body.insertRow();
    row.forEach((cell, i) => {
      const td = document.createElement(i === 0 && data.columns[0] !== 'chi_square' ? 'th' : 'td');
      if (td.tagName === 'TH') td.scope = 'row';
      if (names[i]) td.classList.add('name');
      td.textContent = cell;
      tr.append(td);
    });
  }
  const cap = document.createElement('caption');
  cap.textContent = caption;
  table.replaceChildren(cap, head, body);
}

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

function addChart(container, node, name) {
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
  const files = chartFiles(node);
  offer(svgLink, files.svg, `${name}.svg`, 'image/svg+xml');
  pngLink.download = `${name}.png`;
  files.png.then((blob) => offer(pngLink, blob, `${name}.png`)).catch(() => { pngLink.hidden = true; });
}

function slug(name) {
  return name.replace(/[()]/g, '').replace(/[^A-Za-z0-9]+/g, '-').toLowerCase();
}

function showCharts(charts) {
  addChart($('#chart-richness'), richnessChart(charts), 'richness');
  const twoSamples = charts.parameters.length > 0;
  $('#dynamics-section').hidden = !twoSamples;
  if (twoSamples) addChart($('#chart-dynamics'), dynamicsChart(charts), 'dynamics');
  const shown = charts.parameters.filter((p) => ['N(1)', 'N(2)', 'PHI', 'GAMMA', 'LAMBDA'].includes(p.name));
  const withReplicates = shown.filter((p) => p.replicates.length > 0);
  $('#bootstrap-section').hidden = withReplicates.length === 0;
  for (const p of withReplicates) addChart($('#chart-bootstrap'), bootstrapChart(p), 'bootstrap-' + slug(p.name));
}

function showResult(r, seconds) {
  showWarnings(r.warnings);
  $('#report').textContent = r.report;
  if (r.status !== 0) {
    showRefusal(r.message);
    if (r.report) $('#results').hidden = false;
    return;
  }
  const t = r.tables;
  fillTable($('#parameters'), t.parameters, 'Community-dynamics parameters (as the report prints them)');
  fillTable($('#blocks'), t.blocks, 'Richness estimate and M(h) goodness-of-fit test of each block');
  fillTable($('#estimators'), t.estimators, 'Standard richness estimators of each block, beside kelvaro\'s estimate');
  fillTable($('#tests'), t.test, 'Test for unequal detection probability between the samples');
  $('#parameters-section').hidden = t.parameters.rows.length === 0;
  $('#tests-none').hidden = t.test.rows.length > 0;
  offer($('#download-report'), r.report, 'kelvaro-report.txt');
  offer($('#download-parameters'), t.parameters.csv, 'parameters.csv', 'text/csv');
  offer($('#download-blocks'), t.blocks.csv, 'blocks.csv', 'text/csv');
  offer($('#download-tests'), t.test.csv, 'test.csv', 'text/csv');
  offer($('#download-estimators'), t.estimators.csv, 'estimators.csv', 'text/csv');
  offer($('#download-json'), r.tables.json, 'kelvaro-results.json', 'application/json');
  if (r.input) offer($('#download-input'), r.input, 'kelvaro-input.txt');
  else $('#download-input').hidden = true;
  showBatchLinks(r.batch);
  showCharts(r.charts);
  $('#results').hidden = false;
  say(`Done in ${seconds} s. ${r.warnings.length} warning${r.warnings.length === 1 ? '' : 's'}.`);
  setState('done');
}

function showBatchLinks(batch) {
  const ids = { parameters: '#download-batch-parameters', blocks: '#download-batch-blocks', tests: '#download-batch-tests', estimators: '#download-batch-estimators', problems: '#download-batch-problems' };
  for (const [name, id] of Object.entries(ids)) {
    if (batch) offer($(id), batch[name], `${name}.csv`, 'text/csv');
    else $(id).hidden = true;
  }
  $('#batch-downloads').hidden = !batch;
}

function showBatch(r, seconds) {
  if (r.status !== 0) return showRefusal(r.message);
  showBatchLinks(r.batch);
  const problems = r.batch.problems.split('\r\n').length - 2;
  $('#batch-summary').textContent = `${r.analysed} of ${r.pairs} pairs analysed; ${problems} row${problems === 1 ? '' : 's'} in problems.csv (pairs not analysed, and warnings).`;
  const rows = r.batch.parameters.split('\r\n').filter(Boolean).map((line) => line.split(','));
  const table = $('#batch-parameters');
  const preview = { columns: rows[0] || [], rows: rows.slice(1, 23) };
  fillTable(table, preview, 'The first rows of parameters.csv');
  $('#batch-results').hidden = false;
  say(`Done in ${seconds} s: ${r.pairs} pairs.`);
  setState('done');
}

// ---------------------------------------------------------------------------------------------

function setUp() {
  setUpTabs();
  for (const radio of document.querySelectorAll('input[name="mode"]')) radio.addEventListener('change', showMode);
  showMode();
  $('#run').addEventListener('click', run);
  $('#cancel').addEventListener('click', () => cancelWorker());
  $('#long-table').addEventListener('change', readLongTable);
  for (const id of ['#col-group', '#col-sample', '#col-site', '#col-species', '#col-count', '#separator']) {
    $(id).addEventListener('change', () => mode() === 'long' && readLongTable());
  }
  $('#group').addEventListener('change', () => {
    $('#first-sample').value = '';
    $('#second-sample').value = '';
    fillSamples();
  });
  $('#all-pairs').addEventListener('change', () => {
    $('#pair-pick').disabled = $('#all-pairs').checked;
  });
  for (const id of ['#sample1', '#sample2']) $(id).addEventListener('change', () => { example = null; $('#example-note').hidden = true; });
  $('#use-example').addEventListener('click', () => {
    const enc = new TextEncoder();
    example = [
      { name: 'ditches-week-4.csv', bytes: enc.encode(exampleSample1) },
      { name: 'ditches-week24.csv', bytes: enc.encode(exampleSample2) },
    ];
    document.querySelector('input[name="mode"][value="wide"]').checked = true;
    showMode();
    $('#example-note').hidden = false;
    run();
  });
  setUpPlan(runInWorker, cancelWorker, { offer, addChart });
  setState('ready');
}

setUp();
