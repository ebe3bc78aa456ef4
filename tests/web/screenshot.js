// Takes docs/web-screenshot.png: the page after converting a small picture, as a person sees it.
// node screenshot.js [OUT]
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const h = require('./page.js');

(async () => {
  const out = process.argv[2] || path.resolve(__dirname, '../../docs/web-screenshot.png');
  const dir = h.scratch();
  const file = path.join(dir, 'logo.gif');
  const bytes = Buffer.alloc(2400);
  for (let i = 0; i < bytes.length; ++i) bytes[i] = (i * 37 + (i >> 3)) & 0xff;
  bytes.write('GIF89a', 0, 'latin1');
  fs.writeFileSync(file, bytes);
  const browser = await h.launch();
  try {
    const {page} = await h.openPage(browser);
    await page.setViewport({width: 900, height: 1000});
    await h.setOptions(page, {file, dest: 'C:\\MyApp\\Images'});
    const alert = await h.start(page);
    if (alert) throw new Error(alert);
    await page.screenshot({path: out, fullPage: true});
  } finally {
    await browser.close();
    fs.rmSync(dir, {recursive: true});
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
