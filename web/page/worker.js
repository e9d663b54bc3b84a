// The worker that converts: the module's script runs before this one in the
// same worker (transvane.js builds both into one script), so the page's own
// thread only shows progress and never waits for a conversion.
//
// It says {type: 'ready'} once the module has started (or {type: 'broken',
// error}), then converts the one job it is given:
//   in:  {source, asBlob, recoverAs}  source: a File or Blob (read here, a
//                  piece at a time, straight into the module's memory) or
//                  an ArrayBuffer; asBlob: the output as a Blob, made here;
//                  recoverAs: recover instead, into a file of that name
//   out: {type: 'progress', text, section, done, total, percent} ...
//        {type: 'done', result} with result.bytes transferred, not copied
//                  (or result.blob: a Blob passes as a handle)
//        {type: 'failed', error} when the conversion could not run at all
// The page ends the worker after one job: the module's memory, grown to
// what that file needed, goes with it.
'use strict';

(() => {
  // The module addresses 4 GiB in all: source, project and output share it.
  const Largest = 2 ** 31 - 1;
  const changed = 'the file changed while it was read';

  // Copies source into the module's memory.  A file is read as a stream,
  // each piece copied as it comes, while the browser reads the next
  // (reading it in slices of 16 MiB, one after another, took about a
  // fifth longer on a file of 200 MB).
  async function fill(bytes, source) {
    if (source instanceof ArrayBuffer) {
      bytes.set(new Uint8Array(source));
      return;
    }
    const reader = source.stream().getReader();
    let at = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      if (value.length > bytes.length - at) throw new Error(changed);
      bytes.set(value, at);
      at += value.length;
    }
    if (at !== bytes.length) throw new Error(changed);
  }

  async function convert(module, source, asBlob, recoverAs) {
    const size = source instanceof ArrayBuffer ? source.byteLength : source.size;
    if (size > Largest) throw new Error('the file is larger than the page can convert (2 GiB)');
    const target = module.source(size);
    try {
      await fill(target.bytes(), source);
      return convertSource(module, target, asBlob, recoverAs);
    } finally {
      target.delete();
    }
  }

  function convertSource(module, source, asBlob, recoverAs) {
    const progress = (text, section, done, total, percent) =>
      postMessage({ type: 'progress', text, section, done, total, percent });
    // The output is copied out of the module's memory once, straight into
    // a Blob or into bytes of their own that move to the page.  Copying a
    // large file takes a while: here, not in the page.
    const deliver = asBlob ? (view) => new Blob([view], { type: 'application/octet-stream' }) : (view) => view.slice();
    const result = typeof recoverAs === 'string'
      ? module.recover(source, progress, deliver, recoverAs)
      : module.convert(source, progress, deliver);
    return {
      ok: result.ok,
      error: result.error,
      bytes: asBlob ? null : result.output,
      blob: asBlob ? result.output : null,
      messages: Array.from(result.messages, ({ text, context }) => ({ text, context: Array.from(context) })),
      summary: {
        version: result.summary.version,
        gameId: result.summary.gameId,
        counts: Array.from(result.summary.counts),
      },
      recovery: result.recovery
        ? { lines: Array.from(result.recovery.lines), last: result.recovery.last } : undefined,
    };
  }

  TransvaneModule().then((module) => {
    onmessage = async ({ data }) => {
      let result;
      try {
        result = await convert(module, data.source, data.asBlob, data.recoverAs);
      } catch (error) {
        postMessage({ type: 'failed', error: String(error?.message ?? error) });
        return;
      }
      postMessage({ type: 'done', result }, result.bytes ? [result.bytes.buffer] : []);
    };
    postMessage({ type: 'ready' });
  }, (error) => postMessage({ type: 'broken', error: String(error?.message ?? error) }));
})();
