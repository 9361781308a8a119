// The line at the top of the results, which says what came out and from what:
//   N(1) 111 (83–169), N(2) 186 (120–237), PHI 0.98, LAMBDA 1.68 · 1 warning
//   From ditches-week-4.csv (Sample 1) and ditches-week24.csv (Sample 2); 50 bootstrap
//   replicates, seed 400, range adjustment on.

const finite = (x) => typeof x === 'number' && Number.isFinite(x);

// Richness to whole species, shares and rates to 2 decimals, as the summary shows them.
function shown(x, decimals) {
  return finite(x) ? x.toFixed(decimals) : 'not estimated';
}

function withInterval(p, decimals) {
  const value = shown(p.estimate, decimals);
  if (!finite(p.lower) || !finite(p.upper)) return value;
  return `${value} (${p.lower.toFixed(decimals)}–${p.upper.toFixed(decimals)})`;
}

export function plural(n, word) {
  return `${n} ${word}${n === 1 ? '' : 's'}`;
}

// The estimates of a run (charts' data: its parameters and blocks) and its number of warnings.
export function resultLine(charts, warnings) {
  const byName = Object.fromEntries(charts.parameters.map((p) => [p.name, p]));
  let parts;
  if (byName['N(1)']) {
    parts = [
      `N(1) ${withInterval(byName['N(1)'], 0)}`,
      `N(2) ${withInterval(byName['N(2)'], 0)}`,
      `PHI ${shown(byName.PHI.estimate, 2)}`,
      `LAMBDA ${shown(byName.LAMBDA.estimate, 2)}`,
    ];
  } else {  // one sample: its block alone
    parts = charts.blocks.filter((b) => b.block.startsWith('Sample'))
      .map((b) => `${b.block}: ${b.observed} species observed, estimate ${shown(b.rounded, 0)} (SE ${shown(b.standardError, 2)})`);
  }
  return `${parts.join(', ')} · ${warnings === 0 ? 'no warnings' : plural(warnings, 'warning')}`;
}

// The settings of a run as the page's options give them.
export function settingsText(o) {
  const parts = [`${plural(o.nreps, 'bootstrap replicate')}`, `seed ${o.seed}`,
    `range adjustment ${o.rangeAdjustment ? 'on' : 'off'}`];
  if (o.separator) parts.push(`${o.separator} as the separator`);
  if (o.naAbsent) parts.push('NA cells as absent');
  if (o.foldCase) parts.push('one name whatever the case');
  return parts.join(', ');
}
