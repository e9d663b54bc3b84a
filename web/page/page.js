// The page: files in through the picker or by dropping them, each one
// converted by Transvane.convert with a progress bar and a Cancel button,
// then shown with its messages, a summary and a link that saves the
// converted file; a zip of all of them once more than one converted.  A
// damaged file gets a button that recovers what it still holds
// (Transvane.recover) and saves that as NAME (recovered).vtr.
'use strict';

(() => {
  const drop = document.getElementById('drop');
  const picker = document.getElementById('files');
  const status = document.getElementById('status');
  const results = document.getElementById('results');
  const template = document.getElementById('result');
  const all = document.getElementById('all');
  const allLink = document.getElementById('all-link');

  // Each converted file is kept once, as a Blob the browser may keep on
  // disk: its link and the zip read from it.
  const converted = [];  // {source, name, blob, link} of every converted file, in order
  const waiting = [];    // the entries of files not converted yet, in order
  let counts = null;     // what the files since the runner last went idle came to
  let running = false;

  function setStatus(text) { status.textContent = text; }

  // A message as the command-line tool prints it: its text, then its lines
  // of context indented, the file's name first.  (The tool's hint to run
  // it on the file is left out: here there is no command line.)
  function addMessage(list, fileName, { text, context }) {
    const item = document.createElement('li');
    item.textContent = [text, `file: ${fileName}`, ...context].join('\n  ');
    list.append(item);
  }

  function showSummary(list, summary) {
    const rows = [['Version', summary.version]];
    if (summary.gameId !== undefined) rows.push(['Game id', summary.gameId]);
    for (const { kind, count } of summary.counts) rows.push([kind, count]);
    for (const [term, value] of rows) {
      const row = document.createElement('div');
      const dt = document.createElement('dt');
      const dd = document.createElement('dd');
      dt.textContent = term;
      dd.textContent = String(value);
      row.append(dt, dd);
      list.append(row);
    }
  }

  function megabytes(bytes) { return (bytes / 1e6).toFixed(1); }

  // The bar covers reading the source in its first half and writing in its
  // second, each by the bytes behind the converter of the step's total.
  // The bar never moves back.
  function showProgress(parts, { text, section, done, total }) {
    const reading = text.startsWith('Loading');
    const share = total > 0 ? done / total : 0;
    parts.bar.value = Math.max(parts.bar.value, Math.round((reading ? 0 : 500) + 500 * share));
    parts.where.textContent = `${text} ${section}: ${megabytes(done)} of ${megabytes(total)} MB`;
  }

  // NAME.vk1 .. NAME.vk9: the backups the authoring tool keeps beside NAME.vtr.
  function isBackup(name) { return /\.vk[1-9]$/i.test(name); }

  // The names the converted files are offered under, the same in their
  // links and in the zip, none twice (in any case: Windows sees one file).
  // A project keeps its own name whatever came before it: a backup's
  // conversion unpacked over the game's folder must never replace the game
  // with an older state of it.  So projects claim their names first, in
  // order, then backups; a name taken already gets a number.
  function nameConverted() {
    const taken = new Set();
    const claim = (file) => {
      const wanted = Transvane.outputName(file.source);
      let name = wanted;
      for (let n = 2; taken.has(name.toLowerCase()); ++n)
        name = wanted.replace(/\.vtr$/, ` (${n}).vtr`);
      taken.add(name.toLowerCase());
      file.name = name;
      file.link.download = name;
      file.link.textContent = `Download ${name}`;
    };
    converted.filter((file) => !isBackup(file.source)).forEach(claim);
    converted.filter((file) => isBackup(file.source)).forEach(claim);
  }

  // A backup picked together with its project is skipped, as the
  // command-line tool skips it in a run: its conversion could only be one
  // more file of the game's name.  Returns why, or null.
  function backupOf(file, picked) {
    if (!isBackup(file.name)) return null;
    const project = Transvane.outputName(file.name).toLowerCase();
    return picked.find((other) => other.name.toLowerCase() === project)?.name ?? null;
  }

  // The zip stores the files as they are, built a slice at a time when it
  // is asked for, so that neither a large file nor many of them hold up
  // the page.
  async function buildZip() {
    const Slice = 4 << 20;
    const blobs = [];
    let chunks = [];
    let failure = null;
    const zip = new fflate.Zip((error, chunk) => {
      if (error) failure = error;
      else chunks.push(chunk);
    });
    for (const { name, blob } of converted) {
      const entry = new fflate.ZipPassThrough(name);
      zip.add(entry);
      for (let at = 0; ; at += Slice) {
        const last = at + Slice >= blob.size;
        entry.push(new Uint8Array(await blob.slice(at, at + Slice).arrayBuffer()), last);
        if (last) break;
      }
      blobs.push(new Blob(chunks));
      chunks = [];
    }
    zip.end();
    if (failure) throw failure;
    return new Blob([...blobs, ...chunks], { type: 'application/zip' });
  }

  function updateZip() {
    if (converted.length < 2) return;
    if (allLink.href.startsWith('blob:')) URL.revokeObjectURL(allLink.href);
    allLink.href = '#';
    allLink.download = 'transvane-converted.zip';
    allLink.textContent = `Download all ${converted.length} converted files as a zip`;
    all.hidden = false;
  }

  allLink.addEventListener('click', (event) => {
    if (allLink.href.startsWith('blob:')) return;  // built for the files there are now
    event.preventDefault();
    const label = allLink.textContent;
    allLink.textContent = 'Building the zip\u2026';
    buildZip().then((zip) => {
      allLink.href = URL.createObjectURL(zip);
      allLink.textContent = label;
      allLink.click();
    }, (error) => { allLink.textContent = `The zip could not be built: ${error}`; });
  });

  function addEntry(file) {
    const entry = template.content.firstElementChild.cloneNode(true);
    const parts = Object.fromEntries(['name', 'state', 'messages', 'summary', 'download', 'progress', 'where',
                                      'cancel', 'recover', 'recovery']
      .map((part) => [part, entry.querySelector(`.${part}`)]));
    parts.bar = entry.querySelector('progress');
    parts.name.textContent = file.name;
    parts.state.textContent = 'Waiting\u2026';
    parts.progress.hidden = false;
    entry.dataset.state = 'waiting';
    const job = { file, entry, parts, abort: new AbortController() };
    parts.cancel.addEventListener('click', () => {
      job.abort.abort();
      if (entry.dataset.state === 'waiting') finish(job, 'cancelled');
    });
    results.append(entry);
    return job;
  }

  function finish(job, state) {
    const { entry, parts } = job;
    entry.dataset.state = state;
    parts.progress.hidden = true;
    if (state === 'cancelled') {
      parts.state.textContent = 'Cancelled: nothing to download.';
      entry.classList.add('cancelled');
    } else if (state === 'skipped') {
      parts.state.textContent = `Skipped: backup of ${job.skip}.`;
    } else if (state === 'failed') {
      parts.state.textContent = 'Not converted: nothing to download.';
      entry.classList.add('failed');
    }
    if (counts) ++counts[state];
  }

  async function convertJob(job) {
    const { file, entry, parts } = job;
    parts.state.textContent = 'Converting\u2026';
    entry.dataset.state = 'busy';
    let result;
    try {
      result = await Transvane.convert(file, { onProgress: (p) => showProgress(parts, p),
                                               signal: job.abort.signal, asBlob: true });
    } catch (error) {
      // The browser refused the memory, or the file could not be read.
      result = { ok: false, report: [{ text: `The page could not convert this file: ${error.message ?? error}`,
                                       context: [] }],
                 summary: { version: 0, counts: [] } };
    }
    if (result.cancelled) return finish(job, 'cancelled');
    for (const message of result.report) addMessage(parts.messages, file.name, message);
    if (!result.ok) {
      // Only a project that does not read to its end may still hold
      // something: a file that is none, too old or too new holds nothing.
      if (result.error === 'damaged') offerRecovery(job);
      return finish(job, 'failed');
    }
    const { blob } = result;
    parts.state.textContent = `Converted from version ${result.summary.version} to version 500.`;
    showSummary(parts.summary, result.summary);
    const link = offerLink(parts, blob, Transvane.outputName(file.name));
    converted.push({ source: file.name, blob, link });
    nameConverted();
    finish(job, 'converted');
  }

  function offerLink(parts, blob, name) {
    const link = parts.download.querySelector('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    link.textContent = `Download ${name}`;
    parts.download.hidden = false;
    return link;
  }

  function offerRecovery(job) {
    const { parts } = job;
    parts.recover.hidden = false;
    parts.recover.querySelector('button').addEventListener('click', () => recoverJob(job), { once: true });
  }

  // Recovers the file and saves what it held at once; the report stays
  // shown, its last line saying where the file went.
  async function recoverJob(job) {
    const { file, entry, parts } = job;
    const name = Transvane.recoveredName(file.name);
    parts.recover.hidden = true;
    parts.state.textContent = 'Recovering\u2026';
    entry.dataset.state = 'busy';
    entry.classList.remove('failed');
    parts.bar.value = 0;
    parts.progress.hidden = false;
    job.abort = new AbortController();
    let result;
    try {
      result = await Transvane.recover(file, { onProgress: (p) => showProgress(parts, p), signal: job.abort.signal,
                                               asBlob: true, name });
    } catch (error) {
      result = { ok: false, report: [{ text: `The page could not recover this file: ${error.message ?? error}`,
                                       context: [] }] };
    }
    parts.progress.hidden = true;
    if (result.cancelled) {
      entry.dataset.state = 'failed';
      entry.classList.add('failed');
      parts.state.textContent = 'Recovery cancelled: nothing to download.';
      return offerRecovery(job);
    }
    const lines = result.recovery ? [...result.recovery.lines] : [];
    if (result.ok) lines.push(result.recovery.last);
    for (const line of lines) {
      const item = document.createElement('li');
      item.textContent = line;
      parts.recovery.append(item);
    }
    parts.recovery.hidden = lines.length === 0;
    if (!result.ok) {
      // Why nothing could be saved; what loading said is shown above.
      for (const message of result.report.slice(-1)) addMessage(parts.messages, file.name, message);
      entry.dataset.state = 'failed';
      entry.classList.add('failed');
      parts.state.textContent = 'Nothing could be recovered: nothing to download.';
      return;
    }
    entry.dataset.state = 'recovered';
    parts.state.textContent = `Recovered what could be read into ${name}.`;
    offerLink(parts, result.blob, name).click();
  }

  // "Done: 2 converted, 1 failed." counts only what happened.
  function doneText() {
    const said = Object.entries(counts).filter(([, count]) => count > 0).map(([state, count]) => `${count} ${state}`);
    return `Done: ${said.length > 0 ? said.join(', ') : 'nothing converted'}. `
           + 'Choose or drop more files to convert them too.';
  }

  async function runWaiting() {
    running = true;
    counts = { converted: 0, skipped: 0, failed: 0, cancelled: 0 };
    for (let done = 0; waiting.length > 0; ++done) {
      const job = waiting.shift();
      if (job.entry.dataset.state !== 'waiting') continue;  // cancelled while it waited
      if (job.skip) {
        finish(job, 'skipped');
        continue;
      }
      setStatus(`Converting ${job.file.name} (${done + 1} of ${done + 1 + waiting.length})\u2026`);
      await convertJob(job);
    }
    updateZip();
    setStatus(doneText());
    counts = null;
    running = false;
  }

  function convertFiles(files) {
    const picked = Array.from(files);
    const jobs = picked.map(addEntry);
    for (const job of jobs) job.skip = backupOf(job.file, picked);
    // A file cancelled while it waits counts in the run that skips it.
    waiting.push(...jobs);
    if (!running && jobs.length > 0) runWaiting();
  }

  picker.addEventListener('change', () => {
    convertFiles(picker.files);
    picker.value = '';
  });
  // The whole window takes drops, so a near miss does not open the file.
  window.addEventListener('dragover', (event) => {
    event.preventDefault();
    drop.classList.add('over');
  });
  window.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null) drop.classList.remove('over');
  });
  window.addEventListener('drop', (event) => {
    event.preventDefault();
    drop.classList.remove('over');
    convertFiles(event.dataTransfer.files);
  });

  Transvane.ready.then(
    () => { setStatus('Ready.'); document.body.dataset.ready = 'true'; },
    (error) => setStatus(`The converter could not start in this browser: ${error}`));
})();
