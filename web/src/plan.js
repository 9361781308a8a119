// The Plan tab: kelvaro-plan's engine in the worker, its answer to the user's target (the smallest
// design meeting it), and charts of bias and coverage against the number of sites.
import * as Plot from '@observablehq/plot';

const $ = (selector) => document.querySelector(selector);

function request() {
  return {
    species: Number($('#plan-species').value),
    persistence: Number($('#plan-persistence').value),
    colonists: Number($('#plan-colonists').value),
    detection: Number($('#plan-detection').value),
    heterogeneity: $('#plan-heterogeneity').value.trim(),
    detectionChange: Number($('#plan-detection-change').value),
    sites: $('#plan-sites').value.trim(),
    surveys: Number($('#plan-surveys').value),
    nreps: Number($('#plan-nreps').value),
    seed: Number($('#plan-seed').value),
    // kelvaro-plan's --target: "N(1):bias<=0.1,coverage>=0.9".
    target: `${$('#plan-parameter').value}:bias<=${Number($('#plan-bias').value) / 100},coverage>=${Number($('#plan-coverage').value) / 100}`,
  };
}

// One measure of the parameter against the number of sites, with the target as dashed lines.
function planChart(designs, parameter, measure, targets) {
  const rows = designs.map((d) => {
    const p = d.parameters.find((q) => q.name === parameter);
    return { sites: d.sites1, value: 100 * (measure === 'bias' ? p.relativeBias : p.coverage) };
  }).filter((r) => Number.isFinite(r.value));
  const label = measure === 'bias' ? `${parameter}: relative bias (%)` : `${parameter}: coverage of the 95% interval (%)`;
  return Plot.plot({
    width: 560,
    height: 260,
    style: { fontSize: '13px', background: 'white' },
    marginLeft: 55,
    marginBottom: 40,
    x: { label: 'Sites per sample', grid: true },
    y: { label, grid: true, domain: measure === 'coverage' ? [0, 100] : undefined, nice: true },
    marks: [
      Plot.ruleY(measure === 'bias' ? [0] : []),
      Plot.ruleY(targets, { stroke: '#c0392b', strokeDasharray: '5 4' }),
      Plot.line(rows, { x: 'sites', y: 'value', stroke: '#1b5e9e', strokeWidth: 2, marker: 'circle' }),
    ],
  });
}

function fillTable(designs, parameter) {
  const table = $('#plan-table');
  const columns = ['sites1', 'sites2', 'true value', 'mean estimate', 'relative bias', 'coverage', 'mean interval width'];
  const head = `<caption>${parameter} for each design</caption><thead><tr>${columns.map((c) => `<th scope="col">${c}</th>`).join('')}</tr></thead>`;
  const fmt = (x, d = 3) => (Number.isFinite(x) ? x.toFixed(d) : 'NA');
  const body = designs.map((d) => {
    const p = d.parameters.find((q) => q.name === parameter);
    return `<tr><th scope="row">${d.sites1}</th><td>${d.sites2}</td><td>${fmt(p.truth, 4)}</td><td>${fmt(p.meanEstimate, 4)}</td><td>${fmt(p.relativeBias)}</td><td>${fmt(p.coverage)}</td><td>${fmt(p.meanWidth, 4)}</td></tr>`;
  }).join('');
  table.innerHTML = `${head}<tbody>${body}</tbody>`;
}

export function setUpPlan(runInWorker, cancelWorker, { offer, addChart }) {
  const say = (text) => { $('#plan-status').textContent = text; };
  $('#plan-cancel').addEventListener('click', () => cancelWorker());
  $('#plan-run').addEventListener('click', async () => {
    $('#plan-error').hidden = true;
    $('#plan-results').hidden = true;
    $('#plan-chart').replaceChildren();
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
      if (r.status !== 0) {
        $('#plan-error-message').textContent = r.message;
        $('#plan-error').hidden = false;
        say('The plan could not be made: see the message below.');
        document.body.dataset.state = 'error';
        return;
      }
      const answer = r.answer;
      $('#plan-answer').textContent = answer.charAt(0).toUpperCase() + answer.slice(1) + '.';
      $('#plan-notes').replaceChildren(...r.notes.map((n) => Object.assign(document.createElement('li'), { textContent: n })));
      addChart($('#plan-chart'), planChart(r.designs, parameter, 'bias', [-100 * bias, 100 * bias]), 'plan-bias');
      addChart($('#plan-chart'), planChart(r.designs, parameter, 'coverage', [100 * coverage]), 'plan-coverage');
      fillTable(r.designs, parameter);
      offer($('#plan-download'), r.csv, 'plan.csv', 'text/csv');
      $('#plan-results').hidden = false;
      say(`Done in ${((performance.now() - started) / 1000).toFixed(1)} s.`);
      document.body.dataset.state = 'done';
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
