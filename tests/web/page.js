// Drives the built page in headless chromium: opens it from file://, fills its controls by
// their visible names, converts, and captures what Save downloads.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {execFileSync} = require('node:child_process');
const puppeteer = require('puppeteer-core');

const pagePath = process.env.QUORVEL_PAGE || path.resolve(__dirname, '../../build/web/quorvel.html');
const quorvelGen = process.env.QUORVEL_GEN || path.resolve(__dirname, '../../build/native/bin/quorvel-gen');
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

function scratch(prefix = 'quorvel-web-') {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

async function launch() {
  const args = ['--headless=new', '--disable-gpu', '--no-first-run', '--disable-extensions'];
  if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');
  return puppeteer.launch({executablePath: chromium, args, headless: true, protocolTimeout: 120000});
}

// One page from file://, every request it makes counted, downloads going to its own folder.
async function openPage(browser) {
  const page = await browser.newPage();
  const requests = [];
  page.on('request', (r) => requests.push(r.url()));
  const downloads = scratch('quorvel-dl-');
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads, eventsEnabled: true});
  await page.goto('file://' + pagePath);
  await page.waitForSelector('form[data-engine="ready"]');
  return {page, requests, downloads, session};
}

// The controls by their visible names, as a person finds them: a field by the text of its
// label (chromium gives a file input no accessible node of its own to query), the others by
// role and accessible name.
async function byLabel(page, name) {
  const label = await page.waitForSelector(`xpath///label[normalize-space(.)=${JSON.stringify(name)}]`);
  const control = await label.evaluateHandle((l) => l.control);
  if (!control.asElement()) throw new Error('the label ' + name + ' names no control');
  return control.asElement();
}
const byRole = (page, role, name) => page.locator(`::-p-aria([role="${role}"][name="${name}"])`);

async function setOptions(page, o) {
  if (o.file) {
    const input = await byLabel(page, 'Source file');
    await input.uploadFile(o.file);
  }
  if (o.layout) await byRole(page, 'radio', o.layout).click();
  if (o.procedures) await byRole(page, 'radio', o.procedures).click();
  for (const [field, value] of [['Destination folder', o.dest], ['File name in the module', o.name],
                                ['Lines per module', o.lines]]) {
    if (value === undefined) continue;
    const el = await byLabel(page, field);
    await el.evaluate((e) => { e.value = ''; });
    await el.type(String(value));
  }
}

// Clicks Start and waits for the end: a module, or an alert. Returns the alert's text.
async function start(page, timeout = 60000, click = () => byRole(page, 'button', 'Start').click()) {
  await click();
  await page.waitForFunction(() => document.getElementById('busy').hidden &&
                                   (document.querySelector('[role=alert]').textContent ||
                                    !document.querySelector('#save').disabled), {timeout, polling: 'mutation'});
  return page.$eval('[role=alert]', (e) => e.textContent);
}

// Clicks Save and waits for the file the browser writes; returns its path.
async function save(page, session, downloads, timeout = 60000, click = () => byRole(page, 'button', 'Save').click()) {
  const done = new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('no download within ' + timeout + ' ms')), timeout);
    let name = null;
    session.on('Browser.downloadWillBegin', (e) => { name = e.suggestedFilename; });
    session.on('Browser.downloadProgress', (e) => {
      if (e.state === 'completed') { clearTimeout(timer); resolve(path.join(downloads, name)); }
      if (e.state === 'canceled') { clearTimeout(timer); reject(new Error('download canceled')); }
    });
  });
  await click();
  return done;
}

// What quorvel-gen writes for the file with these options: {name: bytes} of every module.
function genModules(file, o = {}) {
  const out = scratch('quorvel-gen-');
  const args = ['-q', '-o', out];
  if (o.layout === 'Compact') args.push('--layout', 'compact');
  if (o.procedures === 'Private') args.push('--private');
  if (o.dest !== undefined) args.push('--dest', o.dest);
  if (o.name) args.push('--name', o.name);
  if (o.lines !== undefined) args.push('--max-lines', String(o.lines));
  execFileSync(quorvelGen, [...args, file]);
  const result = {};
  for (const f of fs.readdirSync(out)) result[f] = fs.readFileSync(path.join(out, f));
  fs.rmSync(out, {recursive: true});
  return result;
}

// The entries of a .zip as Python's zipfile reads them (its CRC checked): {name: bytes}.
function unzip(file) {
  const script = 'import sys, zipfile, json, base64\n' +
                 'z = zipfile.ZipFile(sys.argv[1])\n' +
                 'bad = z.testzip()\n' +
                 'assert bad is None, "bad CRC in " + bad\n' +
                 'print(json.dumps({i.filename: base64.b64encode(z.read(i)).decode() for i in z.infolist()}))\n';
  const entries = JSON.parse(execFileSync('python3', ['-c', script, file], {maxBuffer: 1 << 30}));
  return Object.fromEntries(Object.entries(entries).map(([k, v]) => [k, Buffer.from(v, 'base64')]));
}

module.exports = {pagePath, quorvelGen, scratch, launch, openPage, byLabel, byRole, setOptions, start, save,
                  genModules, unzip};
