// kelvaro-batch's tables read back for the page: rows as objects, each sample's richness
// across a group's samples, every pair's LAMBDA, and the problems with their pair.

// The rows of a CSV text (RFC 4180: quoted fields may hold commas, quotes and line ends).
export function csvRows(text) {
  const rows = [];
  let row = [];
  let field = '';
  let quoted = false;
  for (let i = 0; i < text.length; i += 1) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') {
        field += '"';
        i += 1;
      } else if (c === '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c === '"') {
      quoted = true;
    } else if (c === ',') {
      row.push(field);
      field = '';
    } else if (c === '\n' || c === '\r') {
      if (c === '\r' && text[i + 1] === '\n') i += 1;
      row.push(field);
      rows.push(row);
      row = [];
      field = '';
    } else {
      field += c;
    }
  }
  if (field !== '' || row.length > 0) {
    row.push(field);
    rows.push(row);
  }
  return rows;
}

// The rows of a table with a header row, as objects by column name.
export function records(text) {
  const [header = [], ...rows] = csvRows(text);
  return rows.map((row) => Object.fromEntries(header.map((name, i) => [name, row[i] ?? ''])));
}

const number = (text) => (text === '' ? NaN : Number(text));

// Each group's samples in order with their richness: the N(1) of the pair a sample starts, or,
// for a sample that starts none (the last), the N(2) of the pair it ends; and the species
// observed, from the blocks table. Groups in kelvaro-batch's order.
export function richnessByGroup(parameters, blocks) {
  const observed = new Map();
  for (const b of blocks) {
    const sample = b.block === 'Sample 1' ? b.sample1 : b.block === 'Sample 2' ? b.sample2 : null;
    if (sample !== null) observed.set(`${b.group}\n${sample}`, number(b.R));
  }
  const groups = new Map();
  for (const p of parameters) {
    if (p.parameter !== 'N(1)' && p.parameter !== 'N(2)') continue;
    const sample = p.parameter === 'N(1)' ? p.sample1 : p.sample2;
    if (!groups.has(p.group)) groups.set(p.group, new Map());
    const samples = groups.get(p.group);
    const known = samples.get(sample);
    if (known && (known.from === 'N(1)' || p.parameter === 'N(2)')) continue;
    samples.set(sample, {
      sample,
      from: p.parameter,
      estimate: number(p.estimate),
      lower: number(p.lower),
      upper: number(p.upper),
      observed: observed.get(`${p.group}\n${sample}`) ?? NaN,
    });
  }
  return [...groups].map(([group, samples]) => ({ group, samples: orderOfPairs(parameters, group, samples) }));
}

// A group's samples in the order its pairs give them (Sample 1 of each pair, then the last
// Sample 2).
function orderOfPairs(parameters, group, samples) {
  const order = [];
  for (const p of parameters) {
    if (p.group !== group || p.parameter !== 'N(1)') continue;
    for (const s of [p.sample1, p.sample2]) if (!order.includes(s)) order.push(s);
  }
  return order.filter((s) => samples.has(s)).map((s) => samples.get(s));
}

// Every analysed pair's LAMBDA with its interval.
export function lambdas(parameters) {
  return parameters.filter((p) => p.parameter === 'LAMBDA').map((p) => ({
    pair: `${p.group ? `${p.group}: ` : ''}${p.sample1} → ${p.sample2}`,
    estimate: number(p.estimate),
    lower: number(p.lower),
    upper: number(p.upper),
  }));
}
