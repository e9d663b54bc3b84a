// The page in a real browser: headless Chromium opens transvane.html from
// disk, is given the test's projects through its file picker, and every
// download is checked against the native conversion of the same file.
//
//   TRANSVANE_PAGE=.../transvane.html TRANSVANE_WEB_PROJECTS=.../web_projects \
//     node --test tests/web/page.test.mjs
//
// puppeteer-core and fflate come from web/node_modules (npm ci in web/).
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');
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

const work = mkdtempSync(join(tmpdir(), 'transvane-page-'));
const projects = join(work, 'projects');
const downloads = join(work, 'downloads');
let browser;
let tab;
const requests = [];

before(async () => {
  assert.ok(page && existsSync(page), 'TRANSVANE_PAGE names the built page');
  execFileSync(tool, ['make', projects]);
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: join(work, 'profile'),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-sync',
           '--disable-background-networking', '--disable-component-update'],
  });
  tab = await browser.newPage();
  tab.on('request', (request) => requests.push(request.url()));
  const session = await tab.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await tab.goto(pathToFileURL(page).href);
  await tab.waitForSelector('body[data-ready="true"]', { timeout: 60000 });
});

after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

async function download(selector, name) {
  await tab.click(selector);
  const file = join(downloads, name);
  for (let waited = 0; waited < 30000; waited += 100) {
    if (existsSync(file)) return readFileSync(file);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`${name} was not downloaded`);
}

// The native conversion of source; the page's bytes must hold the same
// project.  Returns the native messages.
function checkAgainstNative(source, converted) {
  const file = join(work, 'page.vtr');
  writeFileSync(file, converted);
  const run = spawnSync(tool, ['check', join(projects, source), file], { encoding: 'utf8' });
  assert.equal(run.status, 0, `${source}: ${run.stderr}`);
  return run.stdout.split('\n').filter((line) => line !== '');
}

test('converts every file given through the picker, refuses the damaged ones', async () => {
  const names = readdirSync(projects).sort();
  const picker = await tab.$('input[type=file]');
  await picker.uploadFile(...names.map((name) => join(projects, name)));
  await tab.waitForFunction((count) => document.querySelectorAll('.result:not([data-state="busy"])').length === count
                            && !document.getElementById('all').hidden, { timeout: 120000 }, names.length);

  const shown = await tab.$$eval('.result', (entries) => entries.map((entry) => ({
    name: entry.querySelector('.name').textContent,
    state: entry.dataset.state,
    messages: Array.from(entry.querySelectorAll('.messages li'), (item) => item.textContent),
    summary: Object.fromEntries(Array.from(entry.querySelectorAll('.summary div'),
                                           (row) => [row.children[0].textContent, row.children[1].textContent])),
    download: entry.querySelector('.download:not([hidden]) a')?.getAttribute('download') ?? null,
  })));
  assert.deepEqual(shown.map((entry) => entry.name), names);

  const converted = [];
  for (const [index, entry] of shown.entries()) {
    if (entry.name in refused) {
      assert.equal(entry.state, 'failed', entry.name);
      // a damaged file may show a message of its own before it is refused
      assert.deepEqual(entry.messages.slice(-refused[entry.name].length), refused[entry.name], entry.name);
      assert.equal(entry.download, null, `${entry.name} offers nothing to download`);
      continue;
    }
    const outputName = entry.name.replace(/\.[^.]*$/, '.vtr');
    assert.equal(entry.state, 'converted', entry.name);
    assert.equal(entry.download, outputName);
    assert.equal(entry.summary.Version, entry.name.match(/_(\d+)\./)?.[1] ?? '441', entry.name);
    const bytes = await download(`.result:nth-child(${index + 1}) .download a`, outputName);
    assert.deepEqual(entry.messages, checkAgainstNative(entry.name, bytes), `${entry.name}: messages`);
    converted.push([outputName, bytes]);
  }
  assert.equal(converted.length, names.length - Object.keys(refused).length);

  const zip = unzipSync(await download('#all-link', 'transvane-converted.zip'));
  assert.deepEqual(Object.keys(zip).sort(), converted.map(([name]) => name).sort());
  for (const [name, bytes] of converted)
    assert.ok(Buffer.from(zip[name]).equals(bytes), `${name} in the zip`);
});

test('the script interface converts bytes to bytes', async () => {
  const source = readFileSync(join(projects, 'sample_420.vtr')).toString('base64');
  const result = await tab.evaluate(async (base64) => {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const r = await Transvane.convert(bytes);
    const bad = await Transvane.convert(bytes.subarray(0, 100));
    return { ok: r.ok, head: Array.from(r.bytes.subarray(0, 8)), version: r.summary.version,
             badOk: bad.ok, badBytes: bad.bytes, badMessages: bad.messages };
  }, source);
  assert.deepEqual(result.head, [0x91, 0xd5, 0x12, 0x00, 0xf4, 0x01, 0x00, 0x00]);
  assert.equal(result.version, 420);
  assert.equal(result.badOk, false);
  assert.equal(result.badBytes, null);
  assert.deepEqual(result.badMessages, [corrupted]);
});

test('the page made no network request', () => {
  const outside = requests.filter((url) => !/^(file|data|blob):/.test(url));
  assert.deepEqual(outside, []);
});
