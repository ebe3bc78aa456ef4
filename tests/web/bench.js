// The page against quorvel-gen on the same file in the same run: a 64 MiB file (or the size
// given in MiB) converted by each into a classic module, in turns, five rounds; the page's
// time runs from Start to the saved file. Prints the medians and their ratio.
// node bench.js [MiB] [rounds]
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const crypto = require('node:crypto');
const {execFileSync} = require('node:child_process');
const h = require('./page.js');

const seconds = (from) => Number(process.hrtime.bigint() - from) / 1e9;
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

(async () => {
  const mib = Number(process.argv[2] || 64);
  const rounds = Number(process.argv[3] || 5);
  const dir = h.scratch('quorvel-bench-');
  const file = path.join(dir, 'bench.bin');
  const fd = fs.openSync(file, 'w');
  for (let i = 0; i < mib; ++i) fs.writeSync(fd, crypto.randomBytes(1 << 20));
  fs.closeSync(fd);

  const browser = await h.launch();
  const native = [];
  const web = [];
  const converted = [];
  try {
    for (let round = 0; round < rounds; ++round) {
      const reference = path.join(dir, `gen${round}.bas`);  // a new file, as the page's is
      let t = process.hrtime.bigint();
      execFileSync(h.quorvelGen, ['-q', '-o', reference, file]);
      native.push(seconds(t));

      const {page, session, downloads} = await h.openPage(browser);
      await h.setOptions(page, {file});
      // Clicked from inside the page: the driver's own way to find and click a button costs
      // a tenth of a second or more, which is no time of the page's.
      const click = (id) => page.evaluate((x) => document.getElementById(x).click(), id);
      t = process.hrtime.bigint();
      const alert = await h.start(page, 600000, () => click('start'));
      if (alert) throw new Error(alert);
      converted.push(seconds(t));
      const saved = await h.save(page, session, downloads, 600000, () => click('save'));
      web.push(seconds(t));
      if (Buffer.compare(fs.readFileSync(saved), fs.readFileSync(reference)) !== 0)
        throw new Error('the page saved other bytes than quorvel-gen wrote');
      await page.close();
      fs.rmSync(downloads, {recursive: true});
      fs.rmSync(reference);
    }
  } finally {
    await browser.close();
    fs.rmSync(dir, {recursive: true});
  }
  const n = median(native);
  const w = median(web);
  console.log(`${mib} MiB, medians of ${rounds}: quorvel-gen ${n.toFixed(2)} s, page ${w.toFixed(2)} s from Start ` +
              `to the saved file (converted in ${median(converted).toFixed(2)} s); ratio ${(w / n).toFixed(1)}; ` +
              'same bytes every round');
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
