// Transvane in the page: the conversion, for the page itself and for any
// script that wants it.
//
//   const result = await Transvane.convert(bytes);
//
// bytes   a Uint8Array (or ArrayBuffer) holding a whole project file of any
//         version from 400 to 500 (.vtr, or a backup .vk1 ... .vk9).
// result  {
//   ok:       true when the project was converted,
//   bytes:    the version-500 file as a Uint8Array; null unless ok,
//   messages: the converter's messages in the order shown, the same texts
//             as the window and the command-line tool (a file that does not
//             load ends with "Error Loading: File seems to be corrupted."),
//   summary:  { version: the source's header version (0 when unread),
//               gameId: the project's game id (when ok),
//               counts: [{kind, count}] resources of each kind (when ok) }
// }
//
// Nothing leaves the page: the converter runs in this tab, in WebAssembly.
// Conversions run one at a time, in the order asked for.
//
// Transvane.outputName(name) is the name to save a converted file under:
// the source's name with the extension .vtr.
'use strict';

const Transvane = (() => {
  let module = null;
  const ready = TransvaneModule().then((loaded) => { module = loaded; });
  let queue = ready;

  function convertNow(bytes) {
    const view = bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
    const result = module.convert(view);
    return {
      ok: result.ok,
      bytes: result.bytes,
      messages: Array.from(result.messages),
      summary: {
        version: result.summary.version,
        gameId: result.summary.gameId,
        counts: Array.from(result.summary.counts),
      },
    };
  }

  function convert(bytes) {
    const next = queue.then(() => convertNow(bytes));
    queue = next.catch(() => {});
    return next;
  }

  function outputName(name) {
    const base = name.replace(/^.*[\\/]/, '');
    const dot = base.lastIndexOf('.');
    return (dot > 0 ? base.slice(0, dot) : base) + '.vtr';
  }

  return Object.freeze({ ready, convert, outputName });
})();
