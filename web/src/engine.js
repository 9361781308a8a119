// Runs the engine's calls in a Web Worker made from the script inlined in the page (no file is
// fetched). The worker takes calls one after another; each answer carries its call's number.
// cancel() ends the worker at once (every pending call is rejected with an AbortError) and starts
// a new one, which loads the engine while the user looks at what is on the screen.
/* global __WORKER_SOURCE__ */

let worker = null;
let nextId = 1;
const pending = new Map();  // call number -> { resolve, reject, onProgress }

function rejectAll(error) {
  for (const call of pending.values()) call.reject(error);
  pending.clear();
}

function startWorker() {
  const url = URL.createObjectURL(new Blob([__WORKER_SOURCE__], { type: 'text/javascript' }));
  const w = new Worker(url);
  URL.revokeObjectURL(url);
  w.onmessage = (event) => {
    const m = event.data;
    const call = pending.get(m.id);
    if (!call) return;
    if (m.type === 'progress') {
      call.onProgress?.(m);
      return;
    }
    pending.delete(m.id);
    if (m.type === 'result') call.resolve(m.result);
    else call.reject(new Error(m.message));
  };
  w.onerror = (event) => {
    event.preventDefault();
    if (worker === w) worker = null;
    w.terminate();
    rejectAll(new Error(event.message || 'the engine stopped'));
  };
  return w;
}

// Calls `call` with `args` in the worker; onProgress({what, block, done, total}) as it goes.
export function runInWorker(call, args, onProgress) {
  if (!worker) worker = startWorker();
  const id = nextId++;
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject, onProgress });
    worker.postMessage({ id, call, args });
  });
}

// Ends the running call at once, and any call waiting behind it.
export function cancelWorker() {
  if (!worker) return;
  worker.terminate();
  worker = startWorker();
  rejectAll(new DOMException('cancelled', 'AbortError'));
}

// Starts the worker and loads the engine; resolves with the engine's version once it is ready.
export function startEngine() {
  return runInWorker('version', []);
}
