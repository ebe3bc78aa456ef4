// The page: takes the options, runs the conversion in a Web Worker made from the engine's
// script inside this file, shows the progress, the module and errors, and saves the result.
'use strict';
(() => {
  // Module text the page holds at most (Chromium keeps it as Blobs, on disk once it is large):
  // a classic module of a 1,480 MiB file is about as much. The text is about 2.7 times the file
  // (classic) or 2.1 times (compact); past this the conversion is refused with error 7 before
  // it starts. A set's .zip stays within the 4 GiB a zip without Zip64 holds.
  const kMaxText = 4000 * 1024 * 1024;
  const kTextPerByte = {classic: 2.7, compact: 2.1};

  const $ = (id) => document.getElementById(id);
  const form = $('form');
  const source = $('source');
  const saveButton = $('save');
  const busy = $('busy');
  const progress = $('progress');
  const alertBox = $('alert');
  const statusBox = $('status');
  const moduleBox = $('module');
  const setBox = $('set');
  const setList = $('set-list');

  let worker = null;
  let result = null;
  let running = false;
  const engineText = $('engine').textContent;

  function newWorker() {
    const url = URL.createObjectURL(new Blob([engineText], {type: 'text/javascript'}));
    const w = new Worker(url);
    URL.revokeObjectURL(url);
    w.onmessage = onWorkerMessage;
    w.onerror = (e) => {
      e.preventDefault();
      finish();
      showError('error 51: Internal error (' + (e.message || 'the converter stopped') + ')');
      replaceWorker();
    };
    return w;
  }
  function replaceWorker() {
    delete form.dataset.engine;
    if (worker) worker.terminate();
    worker = newWorker();
  }

  const option = (name) => form.querySelector('input[name="' + name + '"]:checked').value;
  const chosenFile = () => (source.files && source.files.length ? source.files[0] : null);

  function showError(text) {
    alertBox.textContent = text;
    statusBox.textContent = '';
  }
  function forget() {
    result = null;
    saveButton.disabled = true;
    moduleBox.value = '';
    setList.replaceChildren();
    setBox.hidden = true;
  }
  function finish() {
    const busyHadFocus = busy.contains(document.activeElement);
    running = false;
    busy.hidden = true;
    $('start').disabled = false;
    if (busyHadFocus) $('start').focus();
  }
  const bytes = (n) => n.toLocaleString('en-US') + ' bytes';

  function start() {
    alertBox.textContent = '';
    forget();
    const file = chosenFile();
    if (!file) {
      showError('Choose a file first (Source file).');
      source.focus();
      return;
    }
    const lines = $('lines').value.trim();
    if (!/^[0-9]{1,6}$/.test(lines) || +lines < 1 || +lines > 65534) {
      showError('Lines per module takes a number of lines from 1 to 65534, not ' + lines);
      $('lines').focus();
      return;
    }
    // An empty destination would make the module write to the root of the current drive.
    if ($('dest').value === '') {
      showError('Destination folder may not be empty ("." is the current folder)');
      $('dest').focus();
      return;
    }
    const layout = option('layout');
    if (file.size < 2 ** 31 && file.size * kTextPerByte[layout] > kMaxText) {
      showError(file.name + ': error 7: Out of memory (the modules of a file past ' +
                bytes(Math.floor(kMaxText / kTextPerByte[layout])) + ' do not fit in this page; quorvel-gen converts it)');
      return;
    }
    running = true;
    busy.hidden = false;
    progress.value = 0;
    $('start').disabled = true;
    statusBox.textContent = 'Converting ' + file.name + '…';
    $('cancel').focus();  // Start is disabled while it runs: the keyboard goes on from Cancel
    worker.postMessage({
      file, fileName: $('name').value, dest: $('dest').value, isPrivate: option('scope') === 'Private',
      compact: layout === 'compact', maxLines: +lines, limit: kMaxText,
    });
  }

  function onWorkerMessage(event) {
    const m = event.data;
    if (m.type === 'ready') form.dataset.engine = 'ready';  // for the tests: the engine is loaded
    if (!running) return;
    if (m.type === 'progress') {
      progress.value = m.total ? m.position / m.total : 0;
      return;
    }
    const busyHadFocus = busy.contains(document.activeElement);
    finish();
    if (m.type === 'error') {
      showError(m.message);
      // A run stopped by an error may leave memory of the engine behind: the next run starts
      // in a new worker.
      replaceWorker();
      return;
    }
    result = m;
    m.maxLines = +$('lines').value;
    const first = m.modules[0];
    let text = m.head;
    if (first.size > text.length)
      text += '\r\n\r\n… (the module is ' + bytes(first.size) + ' long; its first ' + bytes(text.length) +
              ' are shown here, Save writes all of it)';
    moduleBox.value = text;
    for (const x of m.modules.slice(1)) {
      const li = document.createElement('li');
      li.textContent = x.name + '.bas (' + x.lines.toLocaleString('en-US') + ' lines, ' + bytes(x.size) + ')';
      setList.append(li);
    }
    setBox.hidden = m.modules.length < 2;
    saveButton.disabled = false;
    if (busyHadFocus) saveButton.focus();
    statusBox.textContent = m.modules.length > 1
      ? 'Done: a set of ' + m.modules.length + ' modules; Save writes them as ' + first.name + '.zip.'
      : 'Done: ' + first.name + '.bas, ' + first.lines.toLocaleString('en-US') + ' lines, ' + bytes(first.size) + '.' +
        overBudget(first.lines, m.maxLines);
  }

  // A classic module is one module whatever its length; VB6 loads none past 65,534 lines.
  function overBudget(lines, maxLines) {
    if (lines <= maxLines) return '';
    return ' Warning: the module has ' + lines + ' lines' +
           (maxLines === 65534 ? '; a VB6 module holds at most 65534.' : ', more than Lines per module ' + maxLines + '.');
  }

  function save() {
    if (!result) return;
    const first = result.modules[0];
    const archive = result.archive;
    const a = document.createElement('a');
    a.href = URL.createObjectURL(archive || first.blob);
    a.download = first.name + (archive ? '.zip' : '.bas');
    document.body.append(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 60000);
  }

  form.addEventListener('submit', (e) => {
    e.preventDefault();
    if (!running) start();
  });
  saveButton.addEventListener('click', save);
  $('cancel').addEventListener('click', () => {
    if (!running) return;
    replaceWorker();  // the engine runs to its end otherwise: a new worker is the way to stop it
    finish();
    statusBox.textContent = 'Cancelled.';
  });
  $('clear').addEventListener('click', () => {
    if (running) $('cancel').click();
    form.reset();
    source.value = '';
    alertBox.textContent = '';
    statusBox.textContent = '';
    forget();
  });
  source.addEventListener('change', () => {
    forget();
    alertBox.textContent = '';
  });

  // A file dropped anywhere on the page becomes the Source file.
  document.addEventListener('dragover', (e) => {
    e.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', (e) => {
    if (!e.relatedTarget) document.body.classList.remove('dragging');
  });
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    document.body.classList.remove('dragging');
    if (e.dataTransfer && e.dataTransfer.files.length) {
      source.files = e.dataTransfer.files;
      source.dispatchEvent(new Event('change'));
    }
  });

  worker = newWorker();
})();
