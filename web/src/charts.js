// The result charts, drawn by Observable Plot, and their export as SVG and PNG files.
import * as Plot from '@observablehq/plot';

// Charts are drawn at most this wide, and never wider than the place they go in (a phone's
// screen), so that their text keeps its size: never scaled down below 13 px.
export const WIDTH = 560;
// Text a reader can read at the chart's own size (Plot's default is 10 px).
export const STYLE = { fontSize: '13px', background: 'white' };

function finite(x) {
  return typeof x === 'number' && Number.isFinite(x);
}

// Each sample's richness estimate with its 95% interval, beside the species observed.
// The interval is the bootstrap percentile interval of N(1) and N(2) when the run has the
// summary, else the estimate plus and minus 1.96 standard errors.
export function richnessChart(charts, width = WIDTH) {
  const byName = Object.fromEntries(charts.parameters.map((p) => [p.name, p]));
  const rows = charts.blocks
    .filter((b) => b.block.startsWith('Sample'))
    .map((b) => {
      const p = byName[b.block === 'Sample 1' ? 'N(1)' : 'N(2)'];
      const lower = p ? p.lower : b.estimate - 1.96 * b.standardError;
      const upper = p ? p.upper : b.estimate + 1.96 * b.standardError;
      return { sample: b.block, observed: b.observed, estimate: b.estimate, lower, upper };
    });
  const intervals = rows.filter((r) => finite(r.lower) && finite(r.upper));
  // The standard estimators of each sample, drawn beside kelvaro's estimate.
  const names = { chao2: 'Chao2', jack1: 'jack1', jack2: 'jack2', bootstrap: 'bootstrap' };
  const standard = charts.blocks
    .filter((b) => b.block.startsWith('Sample') && b.standard)
    .flatMap((b) => Object.entries(names).map(([key, estimator]) => ({ sample: b.block, estimator, value: b.standard[key] })))
    .filter((d) => finite(d.value));
  const chao2 = charts.blocks
    .filter((b) => b.block.startsWith('Sample') && b.standard && finite(b.standard.chao2Lower) && finite(b.standard.chao2Upper))
    .map((b) => ({ sample: b.block, lower: b.standard.chao2Lower, upper: b.standard.chao2Upper }));
  const interval = intervals.length === 0 ? 'no interval (the run had no bootstrap replicates)'
    : charts.parameters.length ? 'bootstrap 95% percentile interval' : 'estimate ± 1.96 SE';
  return Plot.plot({
    width,
    height: 320,
    style: STYLE,
    marginTop: 30,
    marginLeft: 60,
    x: { label: null, padding: 0.4 },
    y: { label: 'Species', grid: true, zero: true, nice: true },
    color: { legend: true, domain: ['species observed', 'richness estimate'], range: ['#8a8a8a', '#1b5e9e'] },
    symbol: { legend: true, domain: Object.values(names) },
    caption: `Each sample: species observed (grey bar) and kelvaro's richness estimate (blue dot) with its ${interval}; `
      + 'to its right (orange) the standard estimators, Chao2 with its 95% interval.',
    marks: [
      Plot.barY(rows, { x: 'sample', y: 'observed', fill: () => 'species observed', title: (d) => `${d.observed} species observed` }),
      Plot.ruleX(intervals, { x: 'sample', y1: 'lower', y2: 'upper', stroke: '#1b5e9e', strokeWidth: 3 }),
      Plot.dot(rows, { x: 'sample', y: 'estimate', r: 6, fill: () => 'richness estimate', stroke: 'white',
        title: (d) => `estimate ${d.estimate.toFixed(2)} (${finite(d.lower) ? d.lower.toFixed(2) : '-'} to ${finite(d.upper) ? d.upper.toFixed(2) : '-'})` }),
      Plot.ruleX(chao2, { x: 'sample', y1: 'lower', y2: 'upper', stroke: '#b35806', strokeWidth: 1.5, dx: width < 400 ? 16 : 24 }),
      Plot.dot(standard, { x: 'sample', y: 'value', symbol: 'estimator', stroke: '#b35806', r: 4, dx: width < 400 ? 16 : 24,
        title: (d) => `${d.estimator} ${d.value.toFixed(2)}` }),
      Plot.ruleY([0]),
    ],
  });
}

// PHI, GAMMA and LAMBDA: the estimate from the data with its bootstrap 95% percentile interval.
export function dynamicsChart(charts, width = WIDTH) {
  const rows = charts.parameters.filter((p) => ['PHI', 'GAMMA', 'LAMBDA'].includes(p.name));
  return Plot.plot({
    width,
    height: 230,
    style: STYLE,
    marginLeft: 70,
    marginBottom: 40,
    x: { label: 'Estimate and 95% interval', grid: true, zero: true, nice: true },
    y: { label: null, domain: ['PHI', 'GAMMA', 'LAMBDA'] },
    caption: 'PHI: share of Sample 1\'s species still present in Sample 2. GAMMA: share of Sample 2\'s species already present in Sample 1. LAMBDA: rate of change of richness (1 = no change).',
    marks: [
      Plot.ruleX([1], { stroke: '#bbb', strokeDasharray: '4 3' }),
      Plot.ruleY(rows.filter((r) => finite(r.lower) && finite(r.upper)), { y: 'name', x1: 'lower', x2: 'upper', stroke: '#1b5e9e', strokeWidth: 3 }),
      Plot.dot(rows.filter((r) => finite(r.estimate)), { y: 'name', x: 'estimate', r: 6, fill: '#1b5e9e', stroke: 'white',
        title: (d) => `${d.name} ${d.estimate.toFixed(4)} (${d.lower.toFixed(4)} to ${d.upper.toFixed(4)})` }),
    ],
  });
}

// The bootstrap distribution of one parameter: a histogram of its replicate values, with the
// estimate from the data (solid line) and the interval's limits (dashed).
export function bootstrapChart(parameter, width = 300) {
  const values = parameter.replicates.filter(finite);
  const limits = [parameter.lower, parameter.upper].filter(finite);
  return Plot.plot({
    width: Math.min(300, width),
    height: 200,
    style: STYLE,
    marginLeft: 45,
    marginBottom: 40,
    x: { label: parameter.name, nice: true },
    y: { label: 'Replicates', grid: true, nice: true },
    marks: [
      Plot.rectY(values, Plot.binX({ y: 'count' }, { x: (d) => d, fill: '#9bb7d4', thresholds: 20 })),
      Plot.ruleX(limits, { stroke: '#333', strokeDasharray: '4 3' }),
      finite(parameter.estimate) ? Plot.ruleX([parameter.estimate], { stroke: '#c0392b', strokeWidth: 2 }) : null,
      Plot.ruleY([0]),
    ],
  });
}

// One group of a batch: each sample's richness estimate with its bootstrap interval, beside the
// species observed, the samples in the group's order.
export function groupRichnessChart(group, width = WIDTH) {
  const rows = group.samples;
  return Plot.plot({
    width,
    height: 300,
    style: STYLE,
    marginTop: 30,
    marginLeft: 60,
    marginBottom: 50,
    x: { label: null, domain: rows.map((r) => r.sample), padding: 0.4, tickRotate: rows.length * 60 > width ? -30 : 0 },
    y: { label: 'Species', grid: true, zero: true, nice: true },
    color: { legend: true, domain: ['species observed', 'richness estimate'], range: ['#8a8a8a', '#1b5e9e'] },
    caption: `${group.group ? `Group ${group.group}: e` : 'E'}ach sample's species observed (grey bar) and richness estimate `
      + '(blue dot) with its bootstrap 95% percentile interval, from the pair the sample starts (the last sample: '
      + 'the pair it ends).',
    marks: [
      Plot.barY(rows.filter((r) => finite(r.observed)), { x: 'sample', y: 'observed', fill: () => 'species observed',
        title: (d) => `${d.sample}: ${d.observed} species observed` }),
      Plot.ruleX(rows.filter((r) => finite(r.lower) && finite(r.upper)), { x: 'sample', y1: 'lower', y2: 'upper', stroke: '#1b5e9e', strokeWidth: 3 }),
      Plot.dot(rows.filter((r) => finite(r.estimate)), { x: 'sample', y: 'estimate', r: 6, fill: () => 'richness estimate', stroke: 'white',
        title: (d) => `${d.sample}: estimate ${d.estimate.toFixed(2)} (${finite(d.lower) ? d.lower.toFixed(2) : '-'} to ${finite(d.upper) ? d.upper.toFixed(2) : '-'})` }),
      Plot.ruleY([0]),
    ],
  });
}

// LAMBDA of every analysed pair: a histogram of the estimates when there are many, else each
// pair's estimate with its interval.
export function lambdaChart(pairs, width = WIDTH) {
  const estimated = pairs.filter((p) => finite(p.estimate));
  const one = Plot.ruleX([1], { stroke: '#555', strokeDasharray: '4 3' });
  if (estimated.length >= 20) {
    const sorted = estimated.map((p) => p.estimate).sort((a, b) => a - b);
    const median = sorted[Math.floor((sorted.length - 1) / 2)];
    return Plot.plot({
      width,
      height: 240,
      style: STYLE,
      marginLeft: 50,
      marginBottom: 40,
      x: { label: 'LAMBDA (rate of change of richness)', nice: true },
      y: { label: 'Pairs', grid: true, nice: true },
      caption: `LAMBDA of the ${estimated.length} pairs with an estimate; dashed: 1 (no change); red: the median, ${median.toFixed(2)}.`,
      marks: [
        Plot.rectY(estimated, Plot.binX({ y: 'count' }, { x: 'estimate', fill: '#9bb7d4', thresholds: 30 })),
        one,
        Plot.ruleX([median], { stroke: '#c0392b', strokeWidth: 2 }),
        Plot.ruleY([0]),
      ],
    });
  }
  // Each pair's name above its line, so that long names fit a phone's width.
  return Plot.plot({
    width,
    height: 50 + 48 * estimated.length,
    style: STYLE,
    marginLeft: 10,
    marginRight: 15,
    marginBottom: 40,
    x: { label: 'LAMBDA and 95% interval', grid: true, nice: true },
    y: { axis: null, domain: estimated.map((p) => p.pair), padding: 0 },
    caption: 'LAMBDA of each pair (rate of change of richness from Sample 1 to Sample 2) with its bootstrap 95% '
      + 'percentile interval; dashed: 1 (no change).',
    marks: [
      one,
      Plot.text(estimated, { y: 'pair', text: 'pair', frameAnchor: 'left', textAnchor: 'start', dy: -9, fill: '#1d1d1d' }),
      Plot.ruleY(estimated.filter((p) => finite(p.lower) && finite(p.upper)), { y: 'pair', x1: 'lower', x2: 'upper', stroke: '#1b5e9e', strokeWidth: 3, dy: 9 }),
      Plot.dot(estimated, { y: 'pair', x: 'estimate', r: 6, fill: '#1b5e9e', stroke: 'white', dy: 9,
        title: (d) => `${d.pair}: LAMBDA ${d.estimate.toFixed(4)}` }),
    ],
  });
}

// Names the chart for assistive technology: the chart is one image described by its caption
// (the numbers are in the tables), and Plot's labels of its inner groups, which SVG groups may
// not carry, are dropped.
export function describe(node, description) {
  const svg = chartSvg(node);
  for (const g of svg.querySelectorAll('g[aria-label]')) g.removeAttribute('aria-label');
  svg.setAttribute('role', 'img');
  const caption = node.querySelector(':scope > figcaption');
  svg.setAttribute('aria-label', caption ? `${description}. ${caption.textContent.trim()}` : description);
}

// The chart's own SVG: Plot wraps it in a figure when it has a legend or a caption, and each
// swatch of a legend is an SVG of its own, ahead of the chart's.
function chartSvg(node) {
  return node.tagName.toLowerCase() === 'svg' ? node : node.querySelector(':scope > svg');
}

const SVG_NS = 'http://www.w3.org/2000/svg';
const LEGEND_FONT = 12;
const LEGEND_ROW = 20;

// The width of `text` in the legend's font, for laying out rows and wrapping the caption.
let measure;
function textWidth(text) {
  if (!measure) {
    measure = document.createElement('canvas').getContext('2d');
    measure.font = `${LEGEND_FONT}px system-ui, sans-serif`;
  }
  return measure.measureText(text).width;
}

function textElement(x, y, text) {
  const t = document.createElementNS(SVG_NS, 'text');
  t.setAttribute('x', x);
  t.setAttribute('y', y);
  t.setAttribute('font-size', LEGEND_FONT);
  t.textContent = text;
  return t;
}

// Plot draws a chart's legends as HTML rows of swatches ahead of it and its caption as HTML
// below it: both redrawn here in SVG, so that a downloaded chart explains its own colours and
// symbols. Gives the legends' group and height, and the caption's.
function legendsAndCaption(node, width) {
  const legends = document.createElementNS(SVG_NS, 'g');
  const caption = document.createElementNS(SVG_NS, 'g');
  let y = 0;
  for (const legend of node.querySelectorAll(':scope > div')) {
    let x = 0;
    for (const swatch of legend.querySelectorAll(':scope > span')) {
      const icon = swatch.querySelector('svg');
      if (!icon) continue;
      const label = swatch.textContent;
      const size = Number(icon.getAttribute('width')) || 15;
      const step = size + 6 + textWidth(label) + 16;
      if (x > 0 && x + step > width) {
        x = 0;
        y += LEGEND_ROW;
      }
      const copy = icon.cloneNode(true);
      copy.setAttribute('x', x);
      copy.setAttribute('y', y + (LEGEND_ROW - size) / 2);
      copy.setAttribute('overflow', 'visible');
      legends.append(copy, textElement(x + size + 6, y + LEGEND_ROW / 2 + LEGEND_FONT * 0.35, label));
      x += step;
    }
    y += LEGEND_ROW + 4;
  }
  const legendsHeight = y;
  const figcaption = node.querySelector(':scope > figcaption');
  const lines = [];
  if (figcaption) {
    for (const word of figcaption.textContent.trim().split(/\s+/)) {
      const line = lines.length ? `${lines[lines.length - 1]} ${word}` : word;
      if (lines.length && textWidth(line) <= width - 8) lines[lines.length - 1] = line;
      else lines.push(word);
    }
  }
  lines.forEach((line, i) => caption.append(textElement(4, (i + 1) * LEGEND_ROW + 3, line)));
  return { legends, legendsHeight, caption, captionHeight: lines.length ? lines.length * LEGEND_ROW + 12 : 0 };
}

// The chart as a standalone SVG document, with its legends above it and its caption below.
function standalone(node) {
  const svg = chartSvg(node);
  const width = Number(svg.getAttribute('width')) || svg.clientWidth;
  const chartHeight = Number(svg.getAttribute('height')) || svg.clientHeight;
  const { legends, legendsHeight, caption, captionHeight } = legendsAndCaption(node, width);
  const height = legendsHeight + chartHeight + captionHeight;
  let copy = svg.cloneNode(true);
  if (legendsHeight || captionHeight) {
    const outer = document.createElementNS(SVG_NS, 'svg');
    outer.setAttribute('width', width);
    outer.setAttribute('height', height);
    outer.setAttribute('viewBox', `0 0 ${width} ${height}`);
    outer.setAttribute('font-family', 'system-ui, sans-serif');
    copy.setAttribute('y', legendsHeight);
    caption.setAttribute('transform', `translate(0,${legendsHeight + chartHeight})`);
    outer.append(legends, copy, caption);
    copy = outer;
  }
  copy.setAttribute('xmlns', SVG_NS);
  copy.setAttribute('xmlns:xlink', 'http://www.w3.org/1999/xlink');
  const style = document.createElementNS(SVG_NS, 'style');
  style.textContent = 'text { font-family: system-ui, sans-serif; }';
  copy.insertBefore(style, copy.firstChild);
  if (!copy.querySelector('rect[data-background]')) {
    const bg = document.createElementNS(SVG_NS, 'rect');
    bg.setAttribute('data-background', '');
    bg.setAttribute('width', '100%');
    bg.setAttribute('height', '100%');
    bg.setAttribute('fill', 'white');
    copy.insertBefore(bg, style.nextSibling);
  }
  return { svg: copy, width, height };
}

const serialize = (svg) => '<?xml version="1.0" encoding="UTF-8"?>\n' + new XMLSerializer().serializeToString(svg);

// The chart's files, made from one standalone copy: its SVG text, and a promise of a PNG at
// twice its size.
export function chartFiles(node) {
  const { svg, width, height } = standalone(node);
  const text = serialize(svg);
  return { svg: text, png: pngOf(text, width, height) };
}

function pngOf(text, width, height) {
  return new Promise((resolve, reject) => {
    const image = new Image();
    image.onload = () => {
      const canvas = document.createElement('canvas');
      canvas.width = width * 2;
      canvas.height = height * 2;
      const context = canvas.getContext('2d');
      context.fillStyle = 'white';
      context.fillRect(0, 0, canvas.width, canvas.height);
      context.drawImage(image, 0, 0, canvas.width, canvas.height);
      canvas.toBlob((blob) => (blob ? resolve(blob) : reject(new Error('no PNG'))), 'image/png');
    };
    image.onerror = () => reject(new Error('the chart could not be drawn as PNG'));
    image.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(text);
  });
}
