// Transvane in the page: the conversion, for the page itself and for any
// script that wants it.
//
//   const result = await Transvane.convert(source, {onProgress, signal, asBlob});
//
// source  a File or Blob, a Uint8Array or an ArrayBuffer holding a whole
//         project file of any version from 400 to 500 (.vtr, or a backup
//         .vk1 ... .vk9).  A File is read by the converter itself; bytes
//         are copied to it, and the caller's stay as they are.
// onProgress(progress)  optional, called as the conversion moves with
//         {text: "Loading Game Data ..." or "Saving Game Data ...",
//          section: the section at work ("Sprites" ...),
//          done, total: bytes of the project behind the converter, of the
//                       step's total (the source's size while loading),
//          percent: the converter's own 0 to 100 within the step}
// signal  optional AbortSignal: aborting it stops the conversion at once
//         and throws its work away; the result is then {cancelled: true}.
// asBlob  optional: the output as result.blob (a Blob) instead of
//         result.bytes, made in the worker, so that a large file is never
//         copied on the page's own thread.
// result  {
//   ok:        true when the project was converted,
//   error:     why it was not: "damaged" for a project file that does not
//              read to its end (Transvane.recover may save what it still
//              holds), "not a project", "too old", "too new" or "other";
//              "" when ok,
//   cancelled: true when the signal stopped it,
//   bytes:     the version-500 file as a Uint8Array; null unless ok (and
//              null when asBlob: blob holds it),
//   messages:  the converter's messages in the order shown, the same texts
//              as the window and the command-line tool (a file that does
//              not load ends with "Error Loading: File seems to be
//              corrupted."),
//   report:    the same messages as {text, context}: context holds the
//              lines the command-line tool prints under the message
//              ("section: ...", "place: ...", "cause: ..."),
//   summary:   { version: the source's header version (0 when unread),
//                gameId: the project's game id (when ok),
//                counts: [{kind, count}] resources of each kind (when ok) }
// }
//
// Nothing leaves the page: the converter runs in this tab, in WebAssembly,
// in a worker of its own, so the page stays responsive.  Conversions run
// one at a time, in the order asked for, each in a fresh worker that ends
// with it and takes its memory along; the next one is started meanwhile.
//
// Transvane.outputName(name) is the name to save a converted file under:
// the source's name with the extension .vtr.
//
//   const result = await Transvane.recover(source, {onProgress, signal, asBlob, name});
//
// recovers what a damaged project file still holds (every record read
// completely before the damage; a spoilt picture or data block loses only
// its own data) as a version-500 file: source and options as for convert;
// name is the recovered file's (default: recoveredName of a File's name).
// The result is convert's, and recovery {lines, last} when the file's
// header was read and something of it kept: the report, one line each, as
// the command-line tool prints it ("sprites: 3 of 4 recovered (...)"), and
// the last line ("recovered 12 of 14 resources into NAME").
// Transvane.recoveredName(name) is "NAME (recovered).vtr".
'use strict';

const Transvane = (() => {
  // The worker's script: the module and worker.js, both inlined in the page
  // as scripts the page itself does not run.
  const workerUrl = URL.createObjectURL(new Blob(
    Array.from(document.querySelectorAll('script[type="text/x-transvane-worker"]'), (script) => script.text + '\n'),
    { type: 'text/javascript' }));

  // A worker whose module has started, or the reason it could not.
  function startWorker() {
    const worker = new Worker(workerUrl);
    return new Promise((resolve, reject) => {
      worker.onmessage = ({ data }) => {
        if (data.type === 'ready') resolve(worker);
        else reject(new Error(data.error));
      };
      worker.onerror = (event) => {
        event.preventDefault();
        reject(new Error(event.message || 'the converter could not start'));
      };
    }).catch((error) => {
      worker.terminate();
      throw error;
    });
  }

  let spare = startWorker();
  const ready = spare.then(() => {});
  let queue = ready.catch(() => {});

  function run(worker, source, { onProgress, signal, asBlob = false, recoverAs }) {
    let cancel;
    return new Promise((resolve, reject) => {
      cancel = () => resolve({ ok: false, cancelled: true, bytes: null, blob: null, messages: [], report: [],
                               summary: { version: 0, counts: [] } });
      if (signal?.aborted) return cancel();
      signal?.addEventListener('abort', cancel, { once: true });
      worker.onmessage = ({ data }) => {
        if (data.type === 'progress') {
          const { type, ...progress } = data;
          onProgress?.(progress);
        } else if (data.type === 'done') {
          const { messages, ...rest } = data.result;
          resolve({ ...rest, cancelled: false, messages: messages.map((m) => m.text), report: messages });
        } else {
          reject(new Error(data.error));
        }
      };
      worker.onerror = (event) => {
        event.preventDefault();
        reject(new Error(event.message || 'the converter stopped'));
      };
      // Bytes of the caller's are copied once, and the copy moves to the
      // worker; a File moves as a handle and is read there.
      const moved = source instanceof Blob ? source
                    : source instanceof ArrayBuffer ? source.slice(0) : new Uint8Array(source).buffer;
      worker.postMessage({ source: moved, asBlob, recoverAs }, moved instanceof ArrayBuffer ? [moved] : []);
    }).finally(() => signal?.removeEventListener('abort', cancel));
  }

  async function convertNow(source, options = {}) {
    const taken = spare;
    spare = startWorker();
    spare.catch(() => {});  // reported by the conversion that takes it
    const worker = await taken;
    try {
      return await run(worker, source, options);
    } finally {
      worker.terminate();
    }
  }

  function convert(source, options) {
    const next = queue.then(() => convertNow(source, options));
    queue = next.catch(() => {});
    return next;
  }

  function baseName(name) {
    const base = name.replace(/^.*[\\/]/, '');
    const dot = base.lastIndexOf('.');
    return dot > 0 ? base.slice(0, dot) : base;
  }

  function outputName(name) { return `${baseName(name)}.vtr`; }
  function recoveredName(name) { return `${baseName(name)} (recovered).vtr`; }

  function recover(source, options = {}) {
    const name = options.name ?? recoveredName(source instanceof File ? source.name : 'project.vtr');
    return convert(source, { ...options, recoverAs: name });
  }

  return Object.freeze({ ready, convert, recover, outputName, recoveredName });
})();
