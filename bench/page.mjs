// The page's half of the benchmark: converts each FILE REPEAT times on the
// built page in headless Chromium and prints, one line per file, the best
// time in seconds, the converted file's size in bytes and the page's floor
// in seconds:
//
//   node bench/page.mjs PAGE REPEAT FILE...
//
// The floor is what any page pays before converting anything: a worker
// reads the file into fresh WebAssembly memory, as the page's worker does,
// writes as many bytes as the output has there, and hands a copy of them
// back.  It measures the browser and the machine (reading a file, clearing
// fresh memory, copying out), not the converter.
//
// A run is timed in the page, from the file handed to Transvane.convert
// (read by the converter, as a file dropped on the page is) to the
// converted bytes in the page's hands.  Before each run the page is left
// alone for a moment, so that the worker started beside the previous
// conversion is ready, as it is for a user who drops the next file.
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { openPage } from '../web/open-page.mjs';

const [page, repeatText, ...files] = process.argv.slice(2);
const repeat = Number(repeatText);
if (!page || !(repeat >= 1) || files.length === 0) {
  console.error('usage: node bench/page.mjs PAGE REPEAT FILE...');
  process.exit(2);
}

// The floor's worker: {file, size} in, the bytes out, as the page's own.
const floorWorker = `
onmessage = async ({ data: { file, size } }) => {
  const memory = new WebAssembly.Memory({ initial: Math.ceil(Math.max(file.size, size, 1) / 65536) });
  const bytes = new Uint8Array(memory.buffer);
  const reader = file.stream().getReader();
  let at = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    bytes.set(value, at);
    at += value.length;
  }
  if (size > at) bytes.fill(1, at, size);
  const output = bytes.slice(0, size);
  postMessage(output, [output.buffer]);
};
postMessage('ready');`;

const profile = mkdtempSync(join(tmpdir(), 'transvane-bench-page-'));
const { browser, tab } = await openPage(page, { profile });
try {
  const picker = await tab.evaluateHandle(() => {
    const input = document.createElement('input');
    input.type = 'file';
    input.hidden = true;
    document.body.append(input);
    return input;
  });
  for (const file of files) {
    await picker.uploadFile(file);
    let best = Infinity;
    let size = 0;
    for (let run = 0; run < repeat; ++run) {
      await new Promise((resolve) => setTimeout(resolve, 1000));
      const result = await tab.evaluate(async (input) => {
        const started = performance.now();
        const converted = await Transvane.convert(input.files[0]);
        const seconds = (performance.now() - started) / 1000;
        return { ok: converted.ok, seconds, size: converted.bytes?.length ?? 0, messages: converted.messages };
      }, picker);
      if (!result.ok) throw new Error(`the page did not convert ${file}: ${result.messages.join('; ')}`);
      best = Math.min(best, result.seconds);
      size = result.size;
    }
    let floor = Infinity;
    for (let run = 0; run < repeat; ++run) {
      await new Promise((resolve) => setTimeout(resolve, 1000));
      const seconds = await tab.evaluate(async (input, script, size) => {
        const worker = new Worker(URL.createObjectURL(new Blob([script])));
        try {
          await new Promise((resolve) => { worker.onmessage = resolve; });
          const started = performance.now();
          const output = await new Promise((resolve, reject) => {
            worker.onmessage = ({ data }) => resolve(data);
            worker.onerror = (event) => reject(new Error(`the floor's worker failed: ${event.message}`));
            worker.postMessage({ file: input.files[0], size });
          });
          if (output.length !== size) throw new Error('the floor lost bytes');
          return (performance.now() - started) / 1000;
        } finally {
          worker.terminate();
        }
      }, picker, floorWorker, size);
      floor = Math.min(floor, seconds);
    }
    console.log(`${best.toFixed(3)} ${size} ${floor.toFixed(3)}`);
  }
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
