// The Plan tab: kelvaro-plan's engine in the worker, its answer to the user's target (the smallest
// design meeting it), and charts of bias and coverage against the number of sites, each point
// with its Monte Carlo error bar.
import * as Plot from '@observablehq/plot';
import { planMessage, planAnswer, notATable } from './messages.js';

const $ = (selector) => document.querySelector(selector);

// kelvaro-plan's defaults where it has them (surveys, replicates, seed), and an example
// community whose plan meets its target.
const EXAMPLE = {
  '#plan-species': '100', '#plan-persistence': '0.8', '#plan-colonists': '20', '#plan-detection': '0.2',
  '#plan-heterogeneity': '10', '#plan-detection-change': '1', '#plan-carryover': 'kept', '#plan-sites': '5:40:5',
  '#plan-sites2': '', '#plan-surveys': '200', '#plan-nreps': '100', '#plan-seed': '400', '#plan-parameter': 'N(1)',
  '#plan-bias': '10', '#plan-coverage': '90', '#plan-assurance': '80', '#plan-max-surveys': '',
};

let pilot = null;  // {name, bytes} of the pilot survey chosen

// A number field's value; null when it is empty (a value the pilot may give).
const optionalNumber = (id) => ($(id).value.trim() === '' ? null : Number($(id).value));

function request() {
  const sites2 = $('#plan-sites2').value.trim();
  const sites = $('#plan-sites').value.trim();
  return {
    species: optionalNumber('#plan-species'),
    persistence: Number($('#plan-persistence').value),
    colonists: Number($('#plan-colonists').value),
    detection: optionalNumber('#plan-detection'),
    heterogeneity: $('#plan-heterogeneity').value.trim(),
    detectionChange: Number($('#plan-detection-change').value),
    carryover: $('#plan-carryover').value,
    sites: sites2 ? '' : sites,
    sites1: sites2 ? sites : '',
    sites2,
    surveys: Number($('#plan-surveys').value),
    nreps: Number($('#plan-nreps').value),
    seed: Number($('#plan-seed').value),
    untilTarget: $('#plan-until-target').checked,
    // kelvaro-plan's --target: "N(1):bias<=0.1,coverage>=0.9".
    target: `${$('#plan-parameter').value}:bias<=${Number($('#plan-bias').value) / 100},coverage>=${Number($('#plan-coverage').value) / 100}`,
    // kelvaro-plan's --assurance (a share) and --max-surveys (null: its default).
    assurance: Number($('#plan-assurance').value) / 100,
    maxSurveys: optionalNumber('#plan-max-surveys'),
    pilot: pilot ? pilot.bytes : null,
    pilotName: pilot ? pilot.name : '',
  };
}

// The fields kelvaro-plan reads as whole numbers, checked before a run (an empty field or
// letters would otherwise be read as 0).
const WHOLE = [['#plan-colonists', 'Colonists'], ['#plan-surveys', 'Simulated surveys per design'],
  ['#plan-nreps', 'Bootstrap replicates per analysis'], ['#plan-seed', 'Seed']];
const NUMBERS = [['#plan-persistence', 'Persistence'], ['#plan-detection-change', 'Detection in Sample 2 / Sample 1'],
  ['#plan-bias', 'Bias within (%)'], ['#plan-coverage', 'Coverage at least (%)'], ['#plan-assurance', 'Assurance (%)']];

function fieldProblem() {
  for (const [id, label] of [...WHOLE, ...NUMBERS]) {
    const text = $(id).value.trim();
    if ($(id).validity.badInput || text === '') return { id, text: `${label} is empty or not a number: give one.` };
    if (WHOLE.some(([w]) => w === id) && !/^\d+$/.test(text)) return { id, text: `${label}: ${text} is not a whole number of 0 or more.` };
  }
  const assurance = Number($('#plan-assurance').value);
  if (!(assurance > 0 && assurance < 100)) {
    return { id: '#plan-assurance', text: `Assurance: ${$('#plan-assurance').value.trim()} is not a percentage above 0 and below 100 (80, say).` };
  }
  const most = $('#plan-max-surveys').value.trim();
  if ($('#plan-max-surveys').validity.badInput || (most !== '' && !/^\d+$/.test(most))) {
    return { id: '#plan-max-surveys', text: `Most simulated surveys per design: ${most} is not a whole number; leave it empty for 16 times the first round's.` };
  }
  for (const [id, label] of [['#plan-species', 'Species in Sample 1\'s community'], ['#plan-detection', 'Mean detection probability per site']]) {
    if ($(id).validity.badInput) return { id, text: `${label} is not a number.` };
    if ($(id).value.trim() === '' && !pilot) return { id, text: `${label} is empty: give it, or choose a pilot survey to fit it to.` };
  }
  return null;
}

const percent = (x) => 100 * x;

// One measure of the parameter against the number of sites, with ± 2 Monte Carlo standard
// errors, and the target as dashed lines.
function planChart(designs, parameter, measure, targets, width) {
  const rows = designs.map((d) => {
    const p = d.parameters.find((q) => q.name === parameter);
    const [value, se] = measure === 'bias' ? [p.relativeBias, p.relativeBiasSe] : [p.coverage, p.coverageSe];
    const sites = d.sites1 === d.sites2 ? String(d.sites1) : `${d.sites1}+${d.sites2}`;
    return { sites, value: percent(value), low: percent(value - 2 * se), high: percent(value + 2 * se) };
  }).filter((r) => Number.isFinite(r.value));
  const bars = rows.filter((r) => Number.isFinite(r.low) && Number.isFinite(r.high));
  const label = measure === 'bias' ? `${parameter}: relative bias (%)` : `${parameter}: coverage of the 95% interval (%)`;
  return Plot.plot({
    width,
    height: 260,
    style: { fontSize: '13px', background: 'white' },
    marginLeft: 55,
    marginBottom: 40,
    x: { label: 'Sites per sample', domain: rows.map((r) => r.sites), padding: 0.3, tickRotate: rows.length * 34 > width ? -45 : 0 },
    y: { label, grid: true, domain: measure === 'coverage' ? [0, 100] : undefined, nice: true, clamp: measure === 'coverage' },
    marks: [
      Plot.ruleY(measure === 'bias' ? [0] : []),
      Plot.ruleY(targets, { stroke: '#c0392b', strokeDasharray: '5 4' }),
      Plot.ruleX(bars, { x: 'sites', y1: 'low', y2: 'high', stroke: '#1b5e9e', strokeWidth: 1.5 }),
      Plot.line(rows, { x: 'sites', y: 'value', stroke: '#1b5e9e', strokeWidth: 2 }),
      Plot.dot(rows, { x: 'sites', y: 'value', fill: '#1b5e9e', r: 4,
        title: (d) => `${d.sites} sites: ${d.value.toFixed(1)}% (± 2 SE: ${d.low.toFixed(1)} to ${d.high.toFixed(1)})` }),
    ],
  });
}

// Each design's summary of the parameter, its simulated surveys and whether its meeting the
// target is decided; planned over a pilot's communities, the share of them in which it meets the
// target (the assurance) with its standard error.
function fillTable(designs, parameter, fromPilot) {
  const table = $('#plan-table');
  const columns = ['sites1', 'sites2', ...(fromPilot ? ['assurance (%)', '± SE', 'communities'] : []), 'true value', 'mean estimate',
    'relative bias (%)', '± SE', 'coverage (%)', '± SE', 'mean interval width', 'surveys', 'decided'];
  const fmt = (x, d) => (Number.isFinite(x) ? x.toFixed(d) : 'NA');
  const cells = (d) => {
    const p = d.parameters.find((q) => q.name === parameter);
    return [d.sites1, d.sites2, ...(fromPilot ? [fmt(percent(d.assurance ?? NaN), 1), fmt(percent(d.assuranceSe ?? NaN), 1), d.communities] : []),
      fmt(p.truth, 4), fmt(p.meanEstimate, 4), fmt(percent(p.relativeBias), 1), fmt(percent(p.relativeBiasSe), 1),
      fmt(percent(p.coverage), 1), fmt(percent(p.coverageSe), 1), fmt(p.meanWidth, 4), d.surveys, d.decided ? 'yes' : 'no'];
  };
  const caption = document.createElement('caption');
  caption.textContent = fromPilot
    ? `${parameter} for each design in the community fitted to the pilot, and each design's assurance over the communities consistent with the pilot (percentages with their Monte Carlo standard errors)`
    : `${parameter} for each design (percentages with their Monte Carlo standard errors)`;
  const head = document.createElement('thead');
  const headRow = head.insertRow();
  for (const c of columns) headRow.append(Object.assign(document.createElement('th'), { scope: 'col', textContent: c }));
  const body = document.createElement('tbody');
  for (const d of designs) {
    const tr = body.insertRow();
    cells(d).forEach((value, i) => tr.append(Object.assign(document.createElement(i === 0 ? 'th' : 'td'), { textContent: value, ...(i === 0 ? { scope: 'row' } : {}) })));
  }
  table.replaceChildren(caption, head, body);
}

export function setUpPlan(runInWorker, cancelWorker, { offer, addChart, chartWidth }) {
  const say = (text) => { $('#plan-status').textContent = text; };
  const refuse = (message, command = null, field = null) => {
    $('#plan-error-message').textContent = message;
    $('#plan-error-command').hidden = !command;
    $('#plan-error-command-text').textContent = command || '';
    $('#plan-error').hidden = false;
    say('The plan could not be made: see the message below.');
    document.body.dataset.state = 'error';
    if (field) {
      field.setAttribute('aria-invalid', 'true');
      field.focus();
    }
  };
  const setPilot = (chosen) => {
    pilot = chosen;
    $('#plan-pilot-clear').hidden = !pilot;
    $('#plan-pilot-hint').hidden = !pilot;
    for (const id of ['#plan-species', '#plan-detection', '#plan-heterogeneity']) {
      if (pilot) $(id).value = '';
      $(id).placeholder = pilot ? 'fitted to the pilot' : '';
    }
    if (!pilot) $('#plan-pilot').value = '';
  };
  $('#plan-pilot').addEventListener('change', async () => {
    const file = $('#plan-pilot').files[0];
    if (!file) return;
    const bytes = new Uint8Array(await file.arrayBuffer());
    const problem = notATable(file.name, bytes);
    if (problem) return refuse(problem.replace('is not a CSV table', 'is neither a CSV table nor a kelvaro input'), null, $('#plan-pilot'));
    $('#plan-error').hidden = true;
    $('#plan-pilot').removeAttribute('aria-invalid');
    setPilot({ name: file.name, bytes });
  });
  // Results shown are marked as the earlier request's once the request changes.
  const changed = () => {
    if ($('#plan-results').hidden) return;
    $('#plan-stale-note').hidden = false;
  };
  $('#plan-form').addEventListener('change', changed);
  $('#plan-form').addEventListener('input', changed);
  $('#plan-pilot-clear').addEventListener('click', () => {
    setPilot(null);
    for (const [id, value] of Object.entries(EXAMPLE)) if (!$(id).value) $(id).value = value;
  });
  $('#plan-example').addEventListener('click', () => {
    setPilot(null);
    for (const [id, value] of Object.entries(EXAMPLE)) $(id).value = value;
    $('#plan-until-target').checked = false;
    $('#plan-example-note').hidden = false;
    $('#plan-run').click();
  });
  $('#plan-cancel').addEventListener('click', () => cancelWorker());
  $('#plan-run').addEventListener('click', async () => {
    $('#plan-error').hidden = true;
    $('#plan-results').hidden = true;
    $('#plan-stale-note').hidden = true;
    $('#plan-chart').replaceChildren();
    for (const field of document.querySelectorAll('#plan-form [aria-invalid]')) field.removeAttribute('aria-invalid');
    const problem = fieldProblem();
    if (problem) return refuse(problem.text, null, $(problem.id));
    const parameter = $('#plan-parameter').value;
    const bias = Number($('#plan-bias').value) / 100;
    const coverage = Number($('#plan-coverage').value) / 100;
    document.body.dataset.state = 'running';
    $('#plan-run').disabled = true;
    $('#plan-cancel').hidden = false;
    const bar = $('#plan-progress');
    bar.hidden = false;
    bar.removeAttribute('value');
    say('Simulating…');
    const started = performance.now();
    try {
      const r = await runInWorker('planSurvey', [request()], (m) => {
        bar.max = m.total;
        bar.value = m.done;
        say(`Survey ${m.done} of ${m.total}…`);
      });
      if (r.status !== 0) return refuse(planMessage(r.message), r.message);
      const answer = planAnswer(r.answer);
      $('#plan-answer').textContent = answer.charAt(0).toUpperCase() + answer.slice(1) + '.';
      const designs = r.designs.length === 1 ? 'one design' : `${r.designs.length} designs`;
      const overPilot = r.fromPilot ? ` (the answer over the communities consistent with it, assurance ${$('#plan-assurance').value.trim()}%)` : '';
      $('#plan-source').textContent = `From ${designs} of ${$('#plan-surveys').value} simulated surveys each in the first round, `
        + `${$('#plan-nreps').value} bootstrap replicates per analysis, seed ${$('#plan-seed').value}${pilot ? `, the community fitted to ${pilot.name}${overPilot}` : ''}.`;
      const notes = [...(r.pilot ? [r.pilot] : []), ...r.notes].map((n) => planMessage(n.replace(/^note: /, '')))
        .concat(r.warnings.map((w) => `Warning: ${w}`));
      $('#plan-notes').replaceChildren(...notes.map((n) => Object.assign(document.createElement('li'), { textContent: n })));
      $('#plan-results').hidden = false;
      const width = Math.min(chartWidth($('#plan-chart')), 560);
      addChart($('#plan-chart'), planChart(r.designs, parameter, 'bias', [-100 * bias, 100 * bias], width), 'plan-bias', `Chart of the relative bias of ${parameter} against the number of sites`);
      addChart($('#plan-chart'), planChart(r.designs, parameter, 'coverage', [100 * coverage], width), 'plan-coverage', `Chart of the coverage of ${parameter}'s interval against the number of sites`);
      fillTable(r.designs, parameter, r.fromPilot);
      offer($('#plan-download'), r.csv, 'plan.csv', 'text/csv');
      say(`Done in ${((performance.now() - started) / 1000).toFixed(1)} s.`);
      document.body.dataset.state = 'done';
      $('#plan-answer').scrollIntoView({ block: 'start' });
      $('#plan-answer').focus({ preventScroll: true });
    } catch (e) {
      say(e.name === 'AbortError' ? 'Cancelled.' : 'The engine failed: ' + e.message);
      document.body.dataset.state = e.name === 'AbortError' ? 'cancelled' : 'error';
    } finally {
      $('#plan-run').disabled = false;
      $('#plan-cancel').hidden = true;
      bar.hidden = true;
    }
  });
}
