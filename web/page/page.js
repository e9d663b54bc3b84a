// The page: files in through the picker or by dropping them, each one
// converted by Transvane.convert and shown with its messages, a summary
// and a link that saves the converted file; a zip of all of them once
// more than one converted.
'use strict';

(() => {
  const drop = document.getElementById('drop');
  const picker = document.getElementById('files');
  const status = document.getElementById('status');
  const results = document.getElementById('results');
  const template = document.getElementById('result');
  const all = document.getElementById('all');
  const allLink = document.getElementById('all-link');

  const converted = [];  // {name, bytes} of every converted file, in order
  let zipUrl = null;

  function setStatus(text) { status.textContent = text; }

  function addMessage(list, text) {
    const item = document.createElement('li');
    item.textContent = text;
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

  function downloadLink(link, name, bytes) {
    link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    link.download = name;
  }

  // Two sources of one name (game.vtr and its backup game.vk1) give two
  // files called game.vtr: the later ones get a number in the zip.
  function zipNames() {
    const taken = new Set();
    return converted.map(({ name, bytes }) => {
      let unique = name;
      for (let n = 2; taken.has(unique.toLowerCase()); ++n)
        unique = name.replace(/\.vtr$/, ` (${n}).vtr`);
      taken.add(unique.toLowerCase());
      return [unique, bytes];
    });
  }

  function updateZip() {
    if (converted.length < 2) return;
    const files = Object.fromEntries(zipNames().map(([name, bytes]) => [name, [bytes, { level: 0 }]]));
    if (zipUrl) URL.revokeObjectURL(zipUrl);
    zipUrl = URL.createObjectURL(new Blob([fflate.zipSync(files)], { type: 'application/zip' }));
    allLink.href = zipUrl;
    allLink.download = 'transvane-converted.zip';
    allLink.textContent = `Download all ${converted.length} converted files as a zip`;
    all.hidden = false;
  }

  async function convertFile(file) {
    const entry = template.content.firstElementChild.cloneNode(true);
    const [name, state, messages, summary, download] =
      ['.name', '.state', '.messages', '.summary', '.download'].map((s) => entry.querySelector(s));
    name.textContent = file.name;
    state.textContent = 'Converting\u2026';
    entry.dataset.state = 'busy';
    results.append(entry);

    let result;
    try {
      result = await Transvane.convert(new Uint8Array(await file.arrayBuffer()));
    } catch (error) {
      // The browser refused the memory, or the file could not be read.
      result = { ok: false, bytes: null, messages: [`The page could not convert this file: ${error}`],
                 summary: { version: 0, counts: [] } };
    }
    for (const text of result.messages) addMessage(messages, text);
    if (result.ok) {
      const outputName = Transvane.outputName(file.name);
      state.textContent = `Converted from version ${result.summary.version} to version 500.`;
      showSummary(summary, result.summary);
      const link = download.querySelector('a');
      downloadLink(link, outputName, result.bytes);
      link.textContent = `Download ${outputName}`;
      download.hidden = false;
      converted.push({ name: outputName, bytes: result.bytes });
      entry.dataset.state = 'converted';
    } else {
      state.textContent = 'Not converted: nothing to download.';
      entry.classList.add('failed');
      entry.dataset.state = 'failed';
    }
  }

  async function convertFiles(files) {
    const list = Array.from(files);
    if (list.length === 0) return;
    for (const [index, file] of list.entries()) {
      setStatus(`Converting ${file.name} (${index + 1} of ${list.length})\u2026`);
      await convertFile(file);
    }
    updateZip();
    setStatus(`Done: ${converted.length} converted so far. Choose or drop more files to convert them too.`);
  }

  picker.addEventListener('change', () => {
    convertFiles(picker.files).finally(() => { picker.value = ''; });
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
