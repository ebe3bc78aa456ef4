// Makes the one-file page: the template with the style and the page script put inside it, and
// the worker's script (the engine's script, its WebAssembly as base64, worker.js) in a
// non-running script element the page turns into a Blob worker.
// node inline.js TEMPLATE STYLE PAGE ENGINE_JS ENGINE_WASM WORKER OUT
'use strict';
const fs = require('fs');
const [template, style, page, engine, wasm, worker, out] = process.argv.slice(2);
const read = (f) => fs.readFileSync(f, 'utf8');

const workerText = read(engine) + '\nself.quorvelWasm = () => Uint8Array.from(atob("' +
                   fs.readFileSync(wasm).toString('base64') + '"), (c) => c.charCodeAt(0));\n' + read(worker);
const pieces = {STYLE: read(style), PAGE: read(page), ENGINE: workerText};
for (const [name, text] of Object.entries(pieces))
  if (/<\/(script|style)/i.test(text)) throw new Error(name + ' holds a closing tag that would end its element');

let html = read(template);
for (const [name, text] of Object.entries(pieces)) {
  const marker = '/*{{' + name + '}}*/';
  if (!html.includes(marker)) throw new Error('the template lacks ' + marker);
  html = html.split(marker).join(text);
}
fs.writeFileSync(out, html);
