// Builds build/web/kelvaro.html: the page with its styles, scripts and the WebAssembly engine
// (inlined by emscripten into the worker's script) in one file that fetches nothing.
//   node build.mjs ENGINE.js OUTPUT.html VERSION
import { build } from 'esbuild';
import { readFileSync, writeFileSync, mkdirSync } from 'node:fs';
import { dirname, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const [engine, output, version] = process.argv.slice(2);
if (!engine || !output || !version) {
  console.error('usage: node build.mjs ENGINE.js OUTPUT.html VERSION');
  process.exit(2);
}

// The emscripten module is CommonJS with node-only branches (require('fs') and the like) that a
// browser never takes: left as they are.
const engineAlias = {
  name: 'kelvaro-engine',
  setup(b) {
    b.onResolve({ filter: /^kelvaro-engine$/ }, () => ({ path: resolve(engine) }));
  },
};

async function bundle(entry, extra = {}) {
  const result = await build({
    entryPoints: [resolve(here, entry)],
    bundle: true,
    format: 'iife',
    platform: 'browser',
    target: ['chrome100', 'firefox100', 'safari15'],
    minify: true,
    write: false,
    legalComments: 'none',
    external: ['fs', 'path', 'crypto', 'ws', 'worker_threads'],
    plugins: [engineAlias],
    loader: { '.csv': 'text', '.txt': 'text' },
    logLevel: 'warning',
    ...extra,
  });
  return result.outputFiles[0].text;
}

const workerSource = await bundle('src/worker.js');
const pageScript = await bundle('src/main.js', {
  define: { __WORKER_SOURCE__: JSON.stringify(workerSource) },
});

// A script's text inside <script>: "</script" (in any case) would end the element early.
const inline = (js) => js.replace(/<\/(script)/gi, '<\\/$1');

const read = (name) => readFileSync(resolve(here, 'src', name), 'utf8');

// The citation as CITATION.cff gives it: "the kelvaro authors (2026). <title>. Version 1.1.0."
const cff = readFileSync(resolve(here, '../CITATION.cff'), 'utf8');
const field = (name) => (cff.match(new RegExp(`^${name}: *"?([^"\\n]*)"?$`, 'm')) || [])[1] || '';
const authors = (cff.match(/^authors:\n *- name: *(.*)$/m) || [])[1] || 'the kelvaro authors';
const escape = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;');
const citation = escape(`${authors} (${field('date-released').slice(0, 4)}). ${field('title')}. Version ${version}.`);
const html = read('index.html')
  .replaceAll('/*VERSION*/', version)
  .replace('/*CITATION*/', citation)
  .replace('/*STYLE*/', () => read('style.css'))
  .replace('<!--PLAN-->', () => read('plan.html'))
  .replace('<!--HELP-->', () => read('help.html'))
  .replace('/*SCRIPT*/', () => inline(pageScript));
mkdirSync(dirname(resolve(output)), { recursive: true });
writeFileSync(resolve(output), html);
console.log(`${output}: ${(html.length / 1024).toFixed(0)} KiB`);
