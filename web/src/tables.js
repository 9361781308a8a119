// The result tables as people read them: numbers rounded as the report rounds them (the
// downloads keep every digit), and a note wherever one number appears with two roundings.

// Decimals shown per table and column; columns not named are shown as the report prints them.
export const SHOWN_DECIMALS = {
  blocks: { estimate: 0, SE: 2 },
  estimators: { estimate: 2, standard_error: 2, lower: 2, upper: 2 },
  test: { chi_square: 3, probability: 4 },
  standardised: { sites: 2, richness: 2, lower: 2, upper: 2, coverage: 4 },
};

// A cell with `decimals` decimals; text that is not a finite number is kept.
export function rounded(cell, decimals) {
  if (decimals === undefined || cell.trim() === '') return cell;
  const value = Number(cell);
  return Number.isFinite(value) ? value.toFixed(decimals) : cell;
}

const isNameCell = (cell) => cell === '' || (Number.isNaN(Number(cell)) && !/^[-+]?(nan|inf)/i.test(cell));

// Fills `table` with `data` ({columns, rows}) under `caption`, each column rounded as
// `decimals` says. Columns of names read from the left, numbers from the right.
export function fillTable(table, data, caption, decimals = {}) {
  const head = document.createElement('thead');
  const headRow = head.insertRow();
  for (const c of data.columns) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = c;
    headRow.append(th);
  }
  const names = data.columns.map((_, i) => data.rows.length > 0 && data.rows.every((row) => isNameCell(row[i])));
  names.forEach((name, i) => headRow.children[i].classList.toggle('name', name));
  const body = document.createElement('tbody');
  for (const row of data.rows) {
    const tr = body.insertRow();
    row.forEach((cell, i) => {
      const td = document.createElement(i === 0 && names[0] ? 'th' : 'td');
      if (td.tagName === 'TH') td.scope = 'row';
      if (names[i]) td.classList.add('name');
      td.textContent = rounded(cell, decimals[data.columns[i]]);
      tr.append(td);
    });
  }
  const cap = document.createElement('caption');
  cap.textContent = caption;
  table.replaceChildren(cap, head, body);
}

// The parameter whose estimate is each block's richness, unrounded.
const BLOCK_PARAMETER = { 'Sample 1': 'N(1)', 'Sample 2': 'N(2)', 'Subset A': 'M2(R1)', 'Subset B': 'M1(R2)' };

// Why the blocks table's estimates differ from the parameters table's: the same estimates,
// rounded to whole species in the one and to 2 decimals in the other. Empty when they agree.
export function blocksNote(tables) {
  const printed = Object.fromEntries(tables.parameters.rows.map((row) => [row[0], row[1]]));
  const column = tables.blocks.columns.indexOf('estimate');
  const differing = tables.blocks.rows
    .map((row) => ({ block: row[0], whole: rounded(row[column], 0), parameter: BLOCK_PARAMETER[row[0]] }))
    .filter((b) => b.parameter in printed && Number(printed[b.parameter]) !== Number(b.whole));
  if (differing.length === 0) return '';
  const pairs = differing.map((b) => `${b.parameter} ${printed[b.parameter]} (${b.block} ${b.whole})`);
  return 'The estimate here is rounded to whole species, as the report prints it in each block\'s section (the '
    + 'bootstrap starts from that number); the parameters table gives the same estimates before rounding, '
    + `${pairs.join(', ')}, and PHI, GAMMA and LAMBDA are computed from those. `
    + 'SE here is the jackknife\'s standard error; the parameters table\'s standard_error is the bootstrap\'s.';
}

export const ESTIMATORS_NOTE = 'Shown to 2 decimals (estimators.csv and the JSON keep every digit). The kelvaro rows '
  + 'are the blocks table\'s estimates, rounded to whole species.';

export const TEST_NOTE = 'Shown to 3 and 4 decimals, as the report rounds the goodness-of-fit tests; the report '
  + 'and test.csv give every digit.';

export const STANDARDISED_NOTE = 'Shown to 2 decimals, coverage to 4 (standardised.csv and curves.csv keep every digit). '
  + 'At equal coverage, sites is the effort at which the sample reaches it (a fraction of a site between whole numbers).';
