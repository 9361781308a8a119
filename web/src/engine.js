// Runs the engine's calls in a Web Worker made from the script inlined in the page (no file is
// fetched). One call at a time; cancel() ends the worker and the next call starts a new one.
/* global __WORKER_SOURCE__ */

let worker = null;

function startWorker() {
  const url = URL.createObjectURL(new Blob([__WORKER_SOURCE__], { type: 'text/javascript' }));
  const w = new Worker(url);
  URL.revokeObjectURL(url);
  return w;
}

// Calls `call` with `args` in the worker; onProgress({what, block, done, total}) as it goes.
export function runInWorker(call, args, onProgress) {
  if (!worker) worker = startWorker();
  const w = worker;
  return new Promise((resolve, reject) => {
    w.onmessage = (event) => {
      const m = event.data;
      if (m.type === 'progress') onProgress?.(m);
      else if (m.type === 'result') resolve(m.result);
      else reject(new Error(m.message));
    };
    w.onerror = (event) => {
      event.preventDefault();
      worker = null;
      w.terminate();
      reject(new Error(event.message || 'the engine stopped'));
    };
    w.cancel = () => reject(new DOMException('cancelled', 'AbortError'));
    w.postMessage({ call, args });
  });
}

// Ends the running call at once (its promise is rejected with an AbortError).
export function cancelWorker() {
  if (!worker) return;
  const w = worker;
  worker = null;
  w.terminate();
  w.cancel?.();
}
