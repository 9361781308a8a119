// The page's Web Worker: loads the WebAssembly engine once and runs one call per message, in
// order, so that the page never waits on a run. Progress comes back as messages; Cancel ends the worker.
import createKelvaro from 'kelvaro-engine';

const engine = createKelvaro();

self.onmessage = async (event) => {
  const { id, call, args } = event.data;
  try {
    const kelvaro = await engine;
    const progress = (what, block, done, total) =>
      self.postMessage({ id, type: 'progress', what, block, done, total });
    // version() takes nothing; every other call takes a progress callback last.
    const result = call === 'version' ? kelvaro.version() : kelvaro[call](...args, progress);
    self.postMessage({ id, type: 'result', result });
  } catch (error) {
    self.postMessage({ id, type: 'failure', message: String(error && error.message ? error.message : error) });
  }
};
