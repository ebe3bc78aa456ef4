// The page against quorvel-gen on the same file in the same run: a 64 MiB file (or the size
// given in MiB) converted by each into a classic module, the page's time from Start to the
// saved file; prints both and their ratio. node bench.js [MiB]
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const crypto = require('node:crypto');
const {execFileSync} = require('node:child_process');
const h = require('./page.js');

(async () => {
  const mib = Number(process.argv[2] || 64);
  const dir = h.scratch('quorvel-bench-');
  const file = path.join(dir, 'bench.bin');
  const fd = fs.openSync(file, 'w');
  for (let i = 0; i < mib; ++i) fs.writeSync(fd, crypto.randomBytes(1 << 20));
  fs.closeSync(fd);

  let t = process.hrtime.bigint();
  execFileSync(h.quorvelGen, ['-q', '-o', path.join(dir, 'gen.bas'), file]);
  const native = Number(process.hrtime.bigint() - t) / 1e9;

  const browser = await h.launch();
  try {
    const {page, session, downloads} = await h.openPage(browser);
    await h.setOptions(page, {file});
    t = process.hrtime.bigint();
    const alert = await h.start(page);
    if (alert) throw new Error(alert);
    const converted = Number(process.hrtime.bigint() - t) / 1e9;
    const saved = await h.save(page, session, downloads);
    const web = Number(process.hrtime.bigint() - t) / 1e9;
    const same = Buffer.compare(fs.readFileSync(saved), fs.readFileSync(path.join(dir, 'gen.bas'))) === 0;
    console.log(`${mib} MiB: quorvel-gen ${native.toFixed(2)} s, page ${web.toFixed(2)} s ` +
                `(Start to saved file; converted in ${converted.toFixed(2)} s), ratio ${(web / native).toFixed(2)}; same bytes: ${same}`);
    fs.rmSync(downloads, {recursive: true});
  } finally {
    await browser.close();
    fs.rmSync(dir, {recursive: true});
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
