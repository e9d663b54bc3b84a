// The page in a real browser: headless Chromium opens transvane.html from
// disk, is given the test's projects through its file picker, and every
// download is checked against the native conversion of the same file.  A
// large project (TRANSVANE_PAGE_LARGE_MB, default 150) checks that the page
// keeps drawing frames while it converts, shows progress and can cancel.
//
//   TRANSVANE_PAGE=.../transvane.html TRANSVANE_WEB_PROJECTS=.../web_projects \
//     node --test tests/web/page.test.mjs
//
// puppeteer-core and fflate come from web/node_modules (npm ci in web/);
// web/open-page.mjs opens the page.
import { execFileSync, spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync }
  from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';

import { openPage } from '../../web/open-page.mjs';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const { unzipSync } = require('fflate');

const page = process.env.TRANSVANE_PAGE;
const tool = process.env.TRANSVANE_WEB_PROJECTS;
const corrupted = 'Error Loading: File seems to be corrupted.';
const refused = {
  'damaged.vtr': [corrupted],
  'not_a_project.vtr': ['Error Loading: This is not a vantrel file.', corrupted],
  'too_old.vtr': ['Error Loading: Cannot load game file created before version 4.0.', corrupted],
  'too_new.vtr': ['Error Loading: File was created with a newer version of vantrel. Please get the new '
                  + 'version from the web site.', corrupted],
};

const largeMegabytes = Number(process.env.TRANSVANE_PAGE_LARGE_MB || 150);
const work = mkdtempSync(join(tmpdir(), 'transvane-page-'));
const projects = join(work, 'projects');
const large = join(work, 'large.vtr');
const downloads = join(work, 'downloads');
let browser;
let tab;
const requests = [];

before(async () => {
  assert.ok(page && existsSync(page), 'TRANSVANE_PAGE names the built page');
  execFileSync(tool, ['make', projects]);
  execFileSync(tool, ['large', large, String(largeMegabytes)]);
  ({ browser, tab } = await openPage(page, { profile: join(work, 'profile'), downloads,
                                           onRequest: (url) => requests.push(url) }));
});

after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

async function download(selector, name) {
  await tab.click(selector);
  const file = join(downloads, name);
  // The browser may make the file empty under its name first and write the
  // bytes beside it (NAME.crdownload): the download is done once that is
  // gone and the file has kept one non-zero size for a moment.
  let size = -1;
  for (let waited = 0; waited < 30000; waited += 100) {
    if (existsSync(file) && !existsSync(`${file}.crdownload`)) {
      const now = statSync(file).size;
      if (now > 0 && now === size) return readFileSync(file);
      size = now;
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`${name} was not downloaded`);
}

// The native conversion of source; the page's bytes, when given, must hold
// the same project.  Returns the native messages with their context lines
// as the page shows them: the file by its name, without the hint to run
// the command-line tool.
function native(source, converted) {
  const file = join(work, 'page.vtr');
  writeFileSync(file, converted ?? '');
  const run = spawnSync(tool, ['check', join(projects, source), file], { encoding: 'utf8' });
  if (converted) assert.equal(run.status, 0, `${source}: ${run.stderr}`);
  return run.stdout.split('\n').filter((line) => line !== '' && !line.startsWith('  more: '))
    .map((line) => (line.startsWith('  file: ') ? `  file: ${source}` : line));
}

// Picks files and waits until every result shown has settled; the results
// shown before go first unless kept.
async function convertThroughPicker(files, { keep = false } = {}) {
  if (!keep) await tab.evaluate(() => { document.getElementById('results').replaceChildren(); });
  const before = await tab.$$eval('.result', (entries) => entries.length);
  await (await tab.$('input[type=file]')).uploadFile(...files);
  await tab.waitForFunction((count) => document.querySelectorAll('.result').length === count
                            && document.getElementById('status').textContent.startsWith('Done'),
                            { timeout: 120000 }, before + files.length);
}

test('converts every file given through the picker, refuses the damaged ones', async () => {
  const names = readdirSync(projects).sort();
  await convertThroughPicker(names.map((name) => join(projects, name)));

  const shown = await tab.$$eval('.result', (entries) => entries.map((entry) => ({
    name: entry.querySelector('.name').textContent,
    state: entry.dataset.state,
    messages: Array.from(entry.querySelectorAll('.messages li'), (item) => item.textContent.split('\n')).flat(),
    summary: Object.fromEntries(Array.from(entry.querySelectorAll('.summary div'),
                                           (row) => [row.children[0].textContent, row.children[1].textContent])),
    download: entry.querySelector('.download:not([hidden]) a')?.getAttribute('download') ?? null,
    recover: !entry.querySelector('.recover').hidden,
  })));
  assert.deepEqual(shown.map((entry) => entry.name), names);

  const converted = [];
  for (const [index, entry] of shown.entries()) {
    if (entry.name in refused) {
      assert.equal(entry.state, 'failed', entry.name);
      const texts = entry.messages.filter((line) => !line.startsWith('  '));
      // a damaged file may show a message of its own before it is refused
      assert.deepEqual(texts.slice(-refused[entry.name].length), refused[entry.name], entry.name);
      assert.deepEqual(entry.messages, native(entry.name), `${entry.name}: messages`);
      assert.equal(entry.download, null, `${entry.name} offers nothing to download`);
      assert.equal(entry.recover, entry.name === 'damaged.vtr', `${entry.name}: recovery offered`);
      continue;
    }
    const outputName = entry.name.replace(/\.[^.]*$/, '.vtr');
    assert.equal(entry.state, 'converted', entry.name);
    assert.equal(entry.download, outputName);
    assert.equal(entry.summary.Version, entry.name.match(/_(\d+)\./)?.[1] ?? '441', entry.name);
    const bytes = await download(`.result:nth-child(${index + 1}) .download a`, outputName);
    assert.deepEqual(entry.messages, native(entry.name, bytes), `${entry.name}: messages`);
    converted.push([outputName, bytes]);
  }
  assert.equal(converted.length, names.length - Object.keys(refused).length);
  // the damaged file's refusal says where reading stopped
  assert.ok(shown.find((entry) => entry.name === 'damaged.vtr').messages.some((line) => line.startsWith('  section: ')));
  assert.equal(await tab.$eval('#status', (s) => s.textContent),
               `Done: ${converted.length} converted, ${Object.keys(refused).length} failed. `
               + 'Choose or drop more files to convert them too.');

  const zip = unzipSync(await download('#all-link', 'transvane-converted.zip'));
  assert.deepEqual(Object.keys(zip).sort(), converted.map(([name]) => name).sort());
  for (const [name, bytes] of converted)
    assert.ok(Buffer.from(zip[name]).equals(bytes), `${name} in the zip`);
});

// Unpacked over the game's folder, the zip must never put a backup's older
// state in place of the game.
test('a project keeps its name; a backup chosen with it is skipped', async () => {
  const pair = join(work, 'pair');
  mkdirSync(pair);
  copyFileSync(join(projects, 'backup.vk1'), join(pair, 'game.vk1'));
  copyFileSync(join(projects, 'sample_441.vtr'), join(pair, 'game.vtr'));
  await convertThroughPicker([join(pair, 'game.vk1')]);
  await convertThroughPicker([join(pair, 'game.vk1'), join(pair, 'game.vtr')], { keep: true });
  const shown = await tab.$$eval('.result', (entries) => entries.map((entry) => [
    entry.dataset.state, entry.querySelector('.state').textContent,
    entry.querySelector('.download:not([hidden]) a')?.getAttribute('download') ?? null]));
  assert.deepEqual(shown.map(([state, , name]) => [state, name]),
                   [['converted', 'game (2).vtr'], ['skipped', null], ['converted', 'game.vtr']]);
  assert.equal(shown[1][1], 'Skipped: backup of game.vtr.');
  assert.equal(await tab.$eval('#status', (s) => s.textContent),
               'Done: 1 converted, 1 skipped. Choose or drop more files to convert them too.');
  const backup = await download('.result:nth-child(1) .download a', 'game (2).vtr');
  const game = await download('.result:nth-child(3) .download a', 'game.vtr');
  native('sample_441.vtr', game);
  native('backup.vk1', backup);
  rmSync(join(downloads, 'transvane-converted.zip'), { force: true });
  const zip = unzipSync(await download('#all-link', 'transvane-converted.zip'));
  assert.ok(Buffer.from(zip['game.vtr']).equals(game), 'the project under its name in the zip');
  assert.ok(Buffer.from(zip['game (2).vtr']).equals(backup), 'the backup beside it');
});

test('recovers what a damaged file holds, on the press of a button', async () => {
  await convertThroughPicker([join(projects, 'damaged.vtr')]);
  const name = 'damaged (recovered).vtr';
  const bytes = await download('.result .recover button', name);
  await tab.waitForSelector('.result[data-state="recovered"]');
  const shown = await tab.$$eval('.result .recovery li', (items) => items.map((item) => item.textContent));
  const file = join(work, name);
  writeFileSync(file, bytes);
  const run = spawnSync(tool, ['recover', join(projects, 'damaged.vtr'), file], { encoding: 'utf8' });
  assert.equal(run.status, 0, run.stderr);
  assert.deepEqual(shown, run.stdout.split('\n').filter((line) => line !== ''));
  assert.match(shown.at(-1), /^recovered \d+ of at least \d+ resources into damaged \(recovered\)\.vtr$/);
  assert.ok(shown.some((line) => / lost: reading stopped in "/.test(line)), shown.join('\n'));
});

test('the script interface converts bytes to bytes', async () => {
  const source = readFileSync(join(projects, 'sample_420.vtr')).toString('base64');
  const result = await tab.evaluate(async (base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const r = await Transvane.convert(bytes);
    const bad = await Transvane.convert(bytes.subarray(0, 100));
    return { ok: r.ok, head: Array.from(r.bytes.subarray(0, 8)), version: r.summary.version,
             badOk: bad.ok, badBytes: bad.bytes, badMessages: bad.messages, badReport: bad.report,
             kept: bytes.length };
  }, source);
  assert.deepEqual(result.head, [0x91, 0xd5, 0x12, 0x00, 0xf4, 0x01, 0x00, 0x00]);
  assert.equal(result.version, 420);
  assert.equal(result.badOk, false);
  assert.equal(result.badBytes, null);
  assert.deepEqual(result.badMessages, [corrupted]);
  assert.equal(result.badReport[0].text, corrupted);
  assert.ok(result.badReport[0].context.some((line) => line.startsWith('cause: ')), result.badReport[0].context);
  assert.equal(result.kept, readFileSync(join(projects, 'sample_420.vtr')).length, "the caller's bytes stay");
});

test('counts the files that failed when none converted', async () => {
  await convertThroughPicker(['damaged.vtr', 'too_old.vtr'].map((name) => join(projects, name)));
  assert.equal(await tab.$eval('#status', (s) => s.textContent),
               'Done: 2 failed. Choose or drop more files to convert them too.');
});

// Watches the page while it converts the large project: the longest time
// between two animation frames, and every progress shown.
async function watchLarge(cancelAt) {
  await tab.evaluate((cancelAt) => {
    document.getElementById('results').replaceChildren();
    const seen = { longestGap: 0, progress: [], cancelled: false, stop: false };
    window.watched = seen;
    let last = performance.now();
    const frame = (now) => {
      seen.longestGap = Math.max(seen.longestGap, now - last);
      last = now;
      const entry = document.querySelector('.result[data-state="busy"]');
      const where = entry?.querySelector('.where')?.textContent;
      if (where && where !== seen.progress.at(-1)?.where)
        seen.progress.push({ where, value: entry.querySelector('progress').value });
      if (cancelAt !== null && !seen.cancelled && entry?.querySelector('progress').value >= cancelAt) {
        entry.querySelector('.cancel').click();
        seen.cancelled = true;
      }
      if (!seen.stop) requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }, cancelAt);
  await convertThroughPicker([large]);
  return tab.evaluate(() => ({ ...window.watched, stop: (window.watched.stop = true),
                               state: document.querySelector('.result').dataset.state,
                               status: document.getElementById('status').textContent }));
}

test(`keeps drawing frames while it converts ${largeMegabytes} MB, with progress`, async () => {
  const started = Date.now();
  const seen = await watchLarge(null);
  assert.equal(seen.state, 'converted');
  console.log(`# ${largeMegabytes} MB in ${(Date.now() - started) / 1000} s, longest frame gap `
              + `${seen.longestGap.toFixed(0)} ms, ${seen.progress.length} progress steps`);
  // A conversion on the page's own thread stops its frames for seconds; a
  // loaded machine alone may delay one by a few hundred milliseconds.
  assert.ok(seen.longestGap < 500, `a gap of ${seen.longestGap} ms between frames`);
  const where = seen.progress.map((p) => p.where);
  assert.ok(where.some((text) => /^Loading Game Data \.\.\. Data files: [\d.]+ of [\d.]+ MB$/.test(text)), where.join('\n'));
  assert.ok(where.some((text) => /^Saving Game Data \.\.\. Data files: [\d.]+ of [\d.]+ MB$/.test(text)), where.join('\n'));
  const values = seen.progress.map((p) => p.value);
  assert.deepEqual(values, [...values].sort((a, b) => a - b), 'the bar only moves forward');
});

test('cancels a conversion, and converts the next file afresh', async () => {
  const seen = await watchLarge(250);
  assert.equal(seen.state, 'cancelled');
  assert.equal(seen.status, 'Done: 1 cancelled. Choose or drop more files to convert them too.');
  await convertThroughPicker([join(projects, 'sample_420.vtr')]);
  assert.equal(await tab.$eval('.result', (entry) => entry.dataset.state), 'converted');
});

test('the page made no network request', () => {
  const outside = requests.filter((url) => !/^(file|data|blob):/.test(url));
  assert.deepEqual(outside, []);
});
