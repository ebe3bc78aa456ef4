// The page in headless chromium, opened from file:// and used by its visible names: its modules
// are quorvel-gen's byte for byte, its errors are quorvel-gen's, it loads nothing and passes axe.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const {execFileSync} = require('node:child_process');
const h = require('./page.js');

let browser;
let dir;
test.before(async () => {
  browser = await h.launch();
  dir = h.scratch();
});
test.after(async () => {
  await browser.close();
  fs.rmSync(dir, {recursive: true, force: true});
});

// A file of `size` bytes holding every byte value, under `name` in the scratch folder.
function sourceFile(name, size) {
  const file = path.join(dir, name);
  const bytes = Buffer.alloc(size);
  for (let i = 0; i < size; ++i) bytes[i] = (i * 7 + (i >> 8)) & 0xff;
  fs.writeFileSync(file, bytes);
  return file;
}

// A file of `size` zero bytes that takes no room on the disk.
function sparse(name, size) {
  const file = path.join(dir, name);
  fs.writeFileSync(file, '');
  fs.truncateSync(file, size);
  return file;
}

// Module text as a text area shows it: decoded from Windows-1252, its line ends turned into "\n".
const asShown = (bytes) => new TextDecoder('windows-1252').decode(bytes).replace(/\r\n/g, '\n');

// Converts on a fresh page and returns what Save wrote as {name: bytes}, with the page's state.
async function convertAndSave(options) {
  const {page, session, downloads, requests} = await h.openPage(browser);
  try {
    await h.setOptions(page, options);
    assert.equal(await h.start(page), '', 'no alert');
    const saved = await h.save(page, session, downloads);
    const files = saved.endsWith('.zip') ? h.unzip(saved)
                                         : {[path.basename(saved)]: fs.readFileSync(saved)};
    const shown = await page.$eval('#module', (e) => e.value);
    const listed = await page.$$eval('#set-list li', (items) => items.map((i) => i.textContent));
    const status = await page.$eval('[role=status]', (e) => e.textContent);
    return {files, saved: path.basename(saved), shown, listed, status, requests};
  } finally {
    await page.close();
    fs.rmSync(downloads, {recursive: true, force: true});
  }
}

test('Save writes what quorvel-gen writes with the same options', async (t) => {
  const cases = [
    {title: 'classic, all defaults', size: 1000, file: 'logo.gif', options: {}},
    {title: 'an empty file', size: 0, file: 'empty.dat', options: {}},
    {title: 'compact, Private, a destination and a file name in the module',
     size: 70000, file: 'data.bin',
     options: {layout: 'Compact', procedures: 'Private', dest: 'C:\\Program Files\\Café', name: 'résumé.pdf'}},
    {title: 'classic past the line budget stays one module, with quorvel-gen\'s warning', size: 40000,
     file: 'big.bin', options: {lines: 100}, warning: /Warning: the module has 1\d{3} lines, more than Lines per module 100\.$/},
    {title: 'a compact set, saved as one .zip of its modules', size: 300000, file: 'set.bin',
     options: {layout: 'Compact', lines: 200}},
  ];
  for (const c of cases) {
    await t.test(c.title, async () => {
      const file = sourceFile(c.file, c.size);
      const expected = h.genModules(file, c.options);
      const got = await convertAndSave({file, ...c.options});
      assert.deepEqual(Object.keys(got.files).sort(), Object.keys(expected).sort());
      for (const name of Object.keys(expected))
        assert.ok(got.files[name].equals(expected[name]), name + ' differs from quorvel-gen\'s');
      const names = Object.keys(expected).sort();
      assert.equal(got.saved, names.length > 1 ? names[0].replace(/\.bas$/, '.zip') : names[0]);
      assert.equal(got.listed.length, names.length - 1, 'the rest of a set is listed by name');
      if (c.warning) assert.match(got.status, c.warning);
      assert.ok(got.shown.startsWith(asShown(expected[names[0]]).slice(0, 2000)), 'the first module is shown');
    });
  }
});

test('a large module shows its beginning and says how long it is', async () => {
  const file = sourceFile('large.bin', 200000);
  const expected = Object.values(h.genModules(file))[0];
  const {page} = await h.openPage(browser);
  try {
    await h.setOptions(page, {file});
    assert.equal(await h.start(page), '');
    const shown = await page.$eval('#module', (e) => e.value);
    assert.ok(shown.length < expected.length);
    assert.ok(shown.startsWith(asShown(expected.subarray(0, 2000))));
    assert.match(shown, new RegExp('the module is ' + expected.length.toLocaleString('en-US') + ' bytes long'));
  } finally {
    await page.close();
  }
});

// quorvel-gen's message for the same input, from "error" on.
function genError(args) {
  try {
    execFileSync(h.quorvelGen, ['-q', ...args], {stdio: ['ignore', 'ignore', 'pipe']});
  } catch (e) {
    return e.stderr.toString().trim().replace(/^.*?(error \d+:)/, '$1');
  }
  throw new Error('quorvel-gen took ' + args.join(' '));
}

test('bad input gives quorvel-gen\'s error in the alert and nothing to save', async (t) => {
  const file = sourceFile('fine.txt', 100);
  const con = sourceFile('CON', 100);
  const cases = [
    {title: 'a source named CON', options: {file: con}, gen: [con], subject: 'CON'},
    {title: 'CON as the file name in the module', options: {file, name: 'con.txt'},
     gen: ['--name', 'con.txt', file], subject: 'File name in the module con.txt'},
    {title: 'a destination holding a quote', options: {file, dest: 'C:\\a"b'}, gen: ['--dest', 'C:\\a"b', file],
     subject: 'Destination folder C:\\a"b'},
    // A mark that would turn or hide part of the line is shown as quorvel-gen shows it.
    {title: 'a destination holding a quote and marks that reorder or hide text',
     options: {file, dest: 'C:\\gpj.\u202Eexe\u200B"'}, gen: ['--dest', 'C:\\gpj.\u202Eexe\u200B"', file],
     subject: 'Destination folder C:\\gpj.\\u202Eexe\\u200B"'},
    {title: 'a line budget too small for a compact module', options: {file, layout: 'Compact', lines: 3},
     gen: ['--layout', 'compact', '--max-lines', '3', file], subject: 'Lines per module 3'},
    {title: 'a file past 2,147,483,647 bytes', options: {file: sparse('huge.bin', 2 ** 31)},
     gen: [path.join(dir, 'huge.bin')], subject: 'huge.bin'},
    {title: 'an empty destination', options: {file, dest: ''},
     expected: 'Destination folder may not be empty ("." is the current folder)'},
  ];
  for (const c of cases) {
    await t.test(c.title, async () => {
      const {page} = await h.openPage(browser);
      try {
        await h.setOptions(page, c.options);
        const alert = await h.start(page);
        assert.equal(alert, c.expected || c.subject + ': ' + genError(['-o', path.join(dir, 'out.bas'), ...c.gen]));
        assert.ok(await page.$eval('#save', (b) => b.disabled), 'Save stays disabled');
      } finally {
        await page.close();
      }
    });
  }
  await t.test('a file past what the page holds is error 7 at once, and the page still converts', async () => {
    const {page} = await h.openPage(browser);
    try {
      await h.setOptions(page, {file: sparse('toolarge.bin', 2 ** 31 - 1)});
      assert.match(await h.start(page), /^toolarge\.bin: error 7: Out of memory \(/);
      await h.setOptions(page, {file});
      assert.equal(await h.start(page), '');
    } finally {
      await page.close();
    }
  });
});

test('a file changed after it was chosen is error 70, with nothing to save', async () => {
  const file = sourceFile('changed.bin', 1000);
  const {page} = await h.openPage(browser);
  try {
    await h.setOptions(page, {file});
    fs.writeFileSync(file, 'other bytes');
    assert.equal(await h.start(page), 'changed.bin: error 70: Permission denied (the file changed or was locked ' +
                                      'after it was chosen; choose it again)');
    assert.ok(await page.$eval('#save', (b) => b.disabled));
  } finally {
    await page.close();
  }
});

test('a conversion can be cancelled, the next one runs, and Clear starts afresh', async () => {
  const file = sparse('slow.bin', 2 ** 30);  // about ten seconds of converting
  const {page} = await h.openPage(browser);
  try {
    await h.setOptions(page, {file});
    await h.byRole(page, 'button', 'Start').click();
    await page.waitForFunction(() => document.querySelector('#progress').value > 0, {timeout: 60000, polling: 10});
    await h.byRole(page, 'button', 'Cancel').click();
    assert.equal(await page.$eval('[role=status]', (e) => e.textContent), 'Cancelled.');
    assert.ok(await page.$eval('#save', (b) => b.disabled));
    await h.setOptions(page, {file: sourceFile('after.txt', 10)});
    assert.equal(await h.start(page), '');
    assert.match(await page.$eval('#module', (e) => e.value), /^Attribute VB_Name = "modafter"/);
    await h.setOptions(page, {dest: 'C:\\Other'});
    await h.byRole(page, 'button', 'Clear').click();
    assert.deepEqual(await page.evaluate(() => [document.querySelector('#module').value,
                                                document.querySelector('#save').disabled,
                                                document.querySelector('#source').files.length,
                                                document.querySelector('#dest').value]),
                     ['', true, 0, '.'], 'Clear forgets the module, the file and the options');
  } finally {
    await page.close();
  }
});

test('the page names the version quorvel-gen reports', async () => {
  const version = execFileSync(h.quorvelGen, ['--version']).toString().trim();
  const {page} = await h.openPage(browser);
  try {
    const text = await page.evaluate(() => document.title + ' | ' + document.querySelector('h1').textContent);
    assert.equal(text, `Quorvel ${version}: a file as a Visual Basic module | Quorvel ${version}`);
  } finally {
    await page.close();
  }
});

test('the page loads nothing from the network', async () => {
  const file = sourceFile('offline.bin', 5000);
  const got = await convertAndSave({file});
  const foreign = got.requests.filter((u) => !/^(file|blob|data):/.test(u));
  assert.deepEqual(foreign, []);
  const {page} = await h.openPage(browser);
  try {
    // The policy, not a missing network, refuses: the browser reports the directive, in the
    // page and in a worker made as the page makes its own.
    const probe = 'self.addEventListener("securitypolicyviolation", (e) => report(e.effectiveDirective));' +
                  'fetch("https://example.com/").catch(() => {});' +
                  'setTimeout(() => report("no violation"), 5000);';
    const inPage = await page.evaluate(() => new Promise((resolve) => {
      document.addEventListener('securitypolicyviolation', (e) => resolve(e.effectiveDirective));
      fetch('https://example.com/').catch(() => {});
      setTimeout(() => resolve('no violation'), 5000);
    }));
    assert.equal(inPage, 'connect-src');
    const inWorker = await page.evaluate((code) => new Promise((resolve) => {
      const source = 'const report = (x) => postMessage(x);' + code;
      const w = new Worker(URL.createObjectURL(new Blob([source], {type: 'text/javascript'})));
      w.onmessage = (e) => resolve(e.data);
      w.onerror = () => resolve('no worker');
    }), probe);
    assert.equal(inWorker, 'connect-src');
  } finally {
    await page.close();
  }
});

test('a file dropped on the page becomes the source file', async () => {
  const {page} = await h.openPage(browser);
  try {
    await page.evaluate(() => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array([1, 2, 3])], 'dropped.bin'));
      document.querySelector('main').dispatchEvent(new DragEvent('drop', {dataTransfer: data, bubbles: true, cancelable: true}));
    });
    assert.equal(await h.start(page), '');
    assert.match(await page.$eval('#module', (e) => e.value), /^Attribute VB_Name = "moddropped"/);
  } finally {
    await page.close();
  }
});

test('keyboard alone reaches every control in order, Enter starts, and Save has the focus after', async () => {
  const {page} = await h.openPage(browser);
  try {
    await h.setOptions(page, {file: sourceFile('keys.txt', 10)});
    await page.focus('#source');
    const order = [];
    for (let i = 0; i < 8; ++i) {
      await page.keyboard.press('Tab');
      order.push(await page.evaluate(() => {
        const e = document.activeElement;
        return e.labels && e.labels.length ? e.labels[0].textContent.trim() : e.textContent.trim();
      }));
    }
    assert.deepEqual(order, ['Classic', 'Public', 'Destination folder', 'File name in the module', 'Lines per module',
                             'Start', 'Clear', 'Module']);
    await page.focus('#dest');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => !document.querySelector('#save').disabled, {timeout: 60000});
    assert.equal(await page.evaluate(() => document.activeElement.id), 'save', 'the keyboard goes on from Save');
  } finally {
    await page.close();
  }
});

test('axe finds no violations, and nothing is wider than a narrow window at 200% zoom', async (t) => {
  const axe = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
  const views = [
    {title: 'a wide window after a conversion', viewport: {width: 1280, height: 900}, options: {}},
    {title: 'a 640 px window at 200% zoom with an alert', viewport: {width: 320, height: 600, deviceScaleFactor: 2},
     options: {name: 'CON'}},
  ];
  for (const v of views) {
    await t.test(v.title, async () => {
      const {page} = await h.openPage(browser);
      try {
        await page.setViewport(v.viewport);
        await h.setOptions(page, {file: sourceFile('axe.bin', 3000), ...v.options});
        await h.start(page);
        // The policy refuses inline scripts added later; axe is evaluated through the protocol.
        await page.evaluate(axe);
        const result = await page.evaluate(() => window.axe.run(document, {resultTypes: ['violations']}));
        assert.deepEqual(result.violations.map((x) => x.id + ': ' + x.nodes.map((n) => n.target).join(' ')), []);
        const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
        assert.ok(overflow <= 0, 'the page is ' + overflow + ' px wider than the window');
      } finally {
        await page.close();
      }
    });
  }
});
