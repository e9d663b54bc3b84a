// Opens the built page (transvane.html) from disk in headless Chromium, the
// one way the page's browser test and the benchmark drive it, and waits
// until its converter has started.
//
//   const { browser, tab } = await openPage(page, { profile, downloads, onRequest });
//
// profile    a folder for the browser's profile (a fresh one per run);
// downloads  optional: the folder the page's downloads are written to;
// onRequest  optional: called with the URL of every request the page makes.
// CHROMIUM names the browser, /usr/bin/chromium by default.
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const require = createRequire(import.meta.url);
const puppeteer = require('puppeteer-core');

export const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

export async function openPage(page, { profile, downloads, onRequest } = {}) {
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-sync',
           '--disable-background-networking', '--disable-component-update'],
  });
  try {
    const tab = await browser.newPage();
    if (onRequest) tab.on('request', (request) => onRequest(request.url()));
    if (downloads) {
      const session = await tab.createCDPSession();
      await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    }
    await tab.goto(pathToFileURL(page).href);
    await tab.waitForSelector('body[data-ready="true"]', { timeout: 60000 });
    return { browser, tab };
  } catch (error) {
    await browser.close();
    throw error;
  }
}
