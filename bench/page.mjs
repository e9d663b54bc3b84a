// The page's half of the benchmark: converts each FILE REPEAT times on the
// built page in headless Chromium and prints, one line per file, the best
// time in seconds and the converted file's size in bytes:
//
//   node bench/page.mjs PAGE REPEAT FILE...
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
    console.log(`${best.toFixed(3)} ${size}`);
  }
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}
