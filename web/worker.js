// The Web Worker around the engine: reads the chosen file a slice at a time, keeps each
// module's text as Blobs (which the browser may keep on disk), and answers with the modules,
// a .zip of them for a set, and the beginning of the first module to show.
'use strict';
const kPreview = 64 * 1024;

let file = null;
let modules = [];
let current = null;
let held = 0;
let limit = Infinity;
let warming = false;  // the first run, whose text goes nowhere

const hooks = {
  readSource(at, count) {
    return readAt(at, count);
  },
  beginModule(index, name, lines) {
    if (warming) return;
    current = {name, lines, parts: [], head: null};
    modules.push(current);
  },
  // `bytes` is a view into the engine's memory (32 MiB but the last): copied into a Blob at
  // once, as few Blobs as can be, since each costs the browser a round of its own.
  writeText(bytes) {
    if (warming) return;
    held += bytes.length;
    if (held > limit) throw new RangeError('more text than the page holds');
    if (!current.head) current.head = bytes.slice(0, kPreview);
    current.parts.push(new Blob([bytes]));
  },
  endModule(index, crc, size) {
    if (warming) return;
    current.crc = crc;
    current.size = size;
    current.blob = new Blob(current.parts);
  },
  progress(position, total) {
    if (!warming) postMessage({type: 'progress', position, total});
  },
};

// The file read ahead in large slices: each synchronous read of a slice costs far more to
// start than its bytes cost to copy.
const kReadAhead = 128 * 1024 * 1024;
let ahead = new Uint8Array(0);
let aheadAt = 0;
function readAt(at, count) {
  if (at < aheadAt || at + count > aheadAt + ahead.length) {
    aheadAt = at;
    ahead = new Uint8Array(new FileReaderSync().readAsArrayBuffer(file.slice(at, at + Math.max(count, kReadAhead))));
  }
  return ahead.subarray(at - aheadAt, Math.min(at - aheadAt + count, ahead.length));
}

// Stored (uncompressed) entries; names are VB module names, plain ASCII.
function zipOf(list) {
  const parts = [];
  const central = [];
  let offset = 0;
  const date = 0x21 | (1 << 5);  // 1980-01-01, as a reproducible stamp
  for (const m of list) {
    const name = new TextEncoder().encode(m.name + '.bas');
    const local = new DataView(new ArrayBuffer(30));
    local.setUint32(0, 0x04034b50, true);
    local.setUint16(4, 10, true);
    local.setUint16(12, date, true);
    local.setUint32(14, m.crc, true);
    local.setUint32(18, m.size, true);
    local.setUint32(22, m.size, true);
    local.setUint16(26, name.length, true);
    const entry = new DataView(new ArrayBuffer(46));
    entry.setUint32(0, 0x02014b50, true);
    entry.setUint16(4, 10, true);
    entry.setUint16(6, 10, true);
    entry.setUint16(14, date, true);
    entry.setUint32(16, m.crc, true);
    entry.setUint32(20, m.size, true);
    entry.setUint32(24, m.size, true);
    entry.setUint16(28, name.length, true);
    entry.setUint32(42, offset, true);
    parts.push(local, name, m.blob);
    central.push(entry, name);
    offset += 30 + name.length + m.size;
    if (offset > 0xFFFFFFFF) throw new RangeError('past what a zip without Zip64 holds');
  }
  const centralSize = central.reduce((n, p) => n + p.byteLength, 0);
  const end = new DataView(new ArrayBuffer(22));
  end.setUint32(0, 0x06054b50, true);
  end.setUint16(8, list.length, true);
  end.setUint16(10, list.length, true);
  end.setUint32(12, centralSize, true);
  end.setUint32(16, offset, true);
  return new Blob([...parts, ...central, end], {type: 'application/zip'});
}

// Whether the browser kept every piece of the text: a piece it had no room for cannot be read
// (and would be cut from the saved file without a word), so its last byte is read back. Only
// a large text can fill the browser's room for Blobs.
const kCheckFrom = 256 * 1024 * 1024;
async function stored(list) {
  if (held < kCheckFrom) return true;
  try {
    for (const x of list) {
      for (const part of x.parts) await part.slice(part.size - 1).arrayBuffer();
      x.parts = null;
    }
    return true;
  } catch (e) {
    return false;
  }
}

function convert(m, job) {
  return m.ccall('quorvel_convert', 'number', ['string', 'string', 'string', 'number', 'number', 'number', 'number'],
                 [file.name || 'warm.bin', job.fileName, job.dest, job.isPrivate ? 1 : 0, job.compact ? 1 : 0,
                  job.maxLines, file.size]);
}

// A first run of both layouts on 4 MiB of zeros as soon as the engine is loaded: the browser
// compiles the busy parts of the engine fully once they have run a while, so the first file
// a person converts runs at full speed (it takes a third less time).
function warmUp(m) {
  warming = true;
  file = new Blob([new Uint8Array(4 << 20)]);
  for (const compact of [false, true]) convert(m, {fileName: '', dest: '.', isPrivate: false, compact, maxLines: 65534});
  warming = false;
  postMessage({type: 'ready'});
  return m;
}

const engine = QuorvelEngine(Object.assign({wasmBinary: self.quorvelWasm()}, hooks)).then(warmUp);

onmessage = async (event) => {
  const job = event.data;
  const m = await engine;
  file = job.file;
  ahead = new Uint8Array(0);
  aheadAt = 0;
  modules = [];
  held = 0;
  limit = job.limit;
  let result;
  let archive = null;
  try {
    result = convert(m, job);
    if (result === 0 && modules.length > 1) archive = zipOf(modules);
  } catch (e) {
    // Memory the browser would not give (a RangeError) or our own limit.
    postMessage({type: 'error', number: 7, message: file.name + ': error 7: Out of memory'});
    return;
  }
  ahead = new Uint8Array(0);
  if (result !== 0) {
    postMessage({type: 'error', number: result, message: m.ccall('quorvel_message', 'string', [], [])});
    return;
  }
  if (!(await stored(modules))) {
    postMessage({type: 'error', number: 7, message: file.name + ': error 7: Out of memory'});
    return;
  }
  const first = modules[0];
  const head = new TextDecoder('windows-1252').decode(first.head || new Uint8Array());
  postMessage({
    type: 'done',
    head,
    modules: modules.map((x) => ({name: x.name, lines: x.lines, size: x.size, blob: x.blob})),
    archive,
  });
};
