// Richness by effort: each sample's rarefaction and extrapolation curve with its 95% interval,
// its sample coverage by the same effort, and the two samples compared at equal effort and at
// equal coverage, as the library computes them (the engine's charts.curves).
import * as Plot from '@observablehq/plot';
import { STYLE, WIDTH } from './charts.js';

const finite = (x) => typeof x === 'number' && Number.isFinite(x);

// The samples' colours: blue and orange, told apart in every common colour vision.
const SAMPLES = { domain: ['Sample 1', 'Sample 2'], range: ['#1b5e9e', '#d95f02'] };

// One row per point of every block's curve, with the block's name.
function curvePoints(curves) {
  return curves.blocks.flatMap((b) => b.points.map((p) => ({ ...p, block: b.block })));
}

function interval(lower, upper, decimals) {
  return finite(lower) && finite(upper) ? ` (${lower.toFixed(decimals)} to ${upper.toFixed(decimals)})` : '';
}

// The lines of one measure of the curves (richness or coverage): solid where rarefied from the
// sample, dashed where extrapolated, a dot at the sample itself; `band` the 95% interval.
function curveMarks(points, y, band) {
  const observed = points.filter((p) => p.kind === 'observed' && finite(p[y]));
  return [
    band ? Plot.areaY(points.filter((p) => finite(p.lower) && finite(p.upper)),
      { x: 'sites', y1: 'lower', y2: 'upper', z: 'block', fill: 'block', fillOpacity: 0.15 }) : null,
    Plot.lineY(points.filter((p) => p.kind !== 'extrapolated' && finite(p[y])),
      { x: 'sites', y, z: 'block', stroke: 'block', strokeWidth: 2.5 }),
    Plot.lineY(points.filter((p) => p.kind !== 'interpolated' && finite(p[y])),
      { x: 'sites', y, z: 'block', stroke: 'block', strokeWidth: 2.5, strokeDasharray: '7 5' }),
    Plot.dot(observed, { x: 'sites', y, fill: 'block', r: 6, stroke: 'white', strokeWidth: 1.5 }),
  ];
}

// Expected species against the number of sites, each sample's curve with its interval.
export function curvesChart(curves, width = WIDTH) {
  const points = curvePoints(curves);
  const withIntervals = curves.blocks.some((b) => b.replicates > 0);
  return Plot.plot({
    width,
    height: width < 400 ? 300 : 340,
    style: STYLE,
    marginLeft: 55,
    marginRight: 20,
    marginBottom: 45,
    x: { label: 'Sites (sampling units)', grid: true, zero: true, nice: true },
    y: { label: 'Species', grid: true, zero: true, nice: true },
    color: { ...SAMPLES, legend: true },
    caption: 'Expected species in a given number of sites: solid where rarefied from the sample, dashed where '
      + 'extrapolated (up to twice its sites), the dot the sample itself'
      + (withIntervals ? '; shaded, the 95% interval from a bootstrap of the estimated assemblage.' : '; no interval (the run had no bootstrap replicates).'),
    marks: [
      ...curveMarks(points, 'richness', true),
      Plot.tip(points, Plot.pointerX({ x: 'sites', y: 'richness', z: 'block',
        title: (p) => `${p.block}, ${p.sites} sites (${p.kind}): ${p.richness.toFixed(1)} species${interval(p.lower, p.upper, 1)}` })),
      Plot.ruleY([0]),
    ],
  });
}

// Sample coverage against the number of sites: how complete each sample is at each effort.
export function coverageChart(curves, width = WIDTH) {
  const points = curvePoints(curves).filter((p) => finite(p.coverage)).map((p) => ({ ...p, coverage: 100 * p.coverage }));
  // From the tens below the lowest coverage drawn to 100%, so that the curves' differences show.
  const lowest = Math.min(...points.map((p) => p.coverage));
  const bottom = Math.max(0, Math.floor(lowest / 10) * 10);
  return Plot.plot({
    width,
    height: 240,
    style: STYLE,
    marginLeft: 55,
    marginRight: 20,
    marginBottom: 45,
    x: { label: 'Sites (sampling units)', grid: true, zero: true, nice: true },
    y: { label: 'Sample coverage (%)', grid: true, domain: [bottom, 100] },
    color: { ...SAMPLES, legend: true },
    caption: 'Sample coverage: the estimated share of the assemblage\'s detections that belong to species already '
      + 'found at that effort (solid rarefied, dashed extrapolated, the dot the sample itself).',
    marks: [
      ...curveMarks(points, 'coverage', false),
      Plot.tip(points, Plot.pointerX({ x: 'sites', y: 'coverage', z: 'block',
        title: (p) => `${p.block}, ${p.sites} sites (${p.kind}): coverage ${p.coverage.toFixed(1)}%` })),
    ],
  });
}

function sitesText(s) {
  if (!finite(s.sites)) return 'infinite sites';
  return Number.isInteger(s.sites) ? `${s.sites} sites` : `${s.sites.toFixed(1)} sites`;
}

// One sentence per comparison, as a reader would say it:
//   At equal effort (12 sites): Sample 1 45.3 species (40.1 to 50.5), Sample 2 38.2 (33.0 to 43.4).
//   At equal coverage (87.3%): Sample 1 51.0 species at 15.2 sites (…), Sample 2 40.1 at 14.0 sites (…).
export function comparisonLines(curves) {
  const lines = [];
  for (const standard of ['effort', 'coverage']) {
    const rows = curves.standardised.filter((s) => s.standard === standard);
    if (rows.length === 0) continue;
    const held = standard === 'effort' ? sitesText(rows[0]) : `${(100 * rows[0].coverage).toFixed(1)}%`;
    const parts = rows.map((s, i) => `${s.block} ${s.richness.toFixed(1)}${i === 0 ? ' species' : ''}`
      + (standard === 'coverage' ? ` at ${sitesText(s)}` : '') + interval(s.lower, s.upper, 1));
    lines.push(`At equal ${standard} (${held}): ${parts.join(', ')}.`);
  }
  return lines;
}
