// Darwin Core archives in the page: a zip unpacked here (its central directory read in
// JavaScript, deflated entries inflated by the browser's DecompressionStream), or the files of an
// archive chosen together, and their XML parsed by DOMParser into the element trees the engine
// takes (kelvaro/darwin_core.h XmlElement). What is an archive is decided by the files' bytes,
// never their names. Nothing here reads the Darwin Core rules: the engine does.

// Against zip bombs, as the programs' zip reader bounds them: no entry may inflate to more than
// 1100 times its compressed length (deflate cannot pass about 1032), and all entries together
// to more than 1100 times the zip's length (at least 1 MiB), nor to more than 1 GiB in a page.
export const ZIP_LIMITS = { maxRatio: 1100, minTotal: 1 << 20, maxTotal: 1 << 30 };
// An XML file larger than this is not parsed (the engine refuses such a meta.xml, and reads the
// data without such an eml.xml), as kMaxXmlBytes; elements deeper than kMaxXmlDepth are refused.
const MAX_XML_BYTES = 8 << 20;
const MAX_XML_DEPTH = 64;

// A zip refused as a whole, or an entry of it: the message is for the page.
export class ArchiveRefusal extends Error {}

const u16 = (b, at) => b[at] | (b[at + 1] << 8);
const u32 = (b, at) => (b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (b[at + 3] << 24)) >>> 0;

// True when the bytes begin as a zip does: PK\3\4 (an entry), or PK\5\6 (an empty zip).
export function isZip(bytes) {
  return bytes.length >= 4 && bytes[0] === 0x50 && bytes[1] === 0x4b
    && ((bytes[2] === 3 && bytes[3] === 4) || (bytes[2] === 5 && bytes[3] === 6));
}

let crcTable = null;
function crc32(bytes) {
  if (!crcTable) {
    crcTable = new Uint32Array(256);
    for (let n = 0; n < 256; n += 1) {
      let c = n;
      for (let k = 0; k < 8; k += 1) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      crcTable[n] = c >>> 0;
    }
  }
  let crc = 0xffffffff;
  for (let i = 0; i < bytes.length; i += 1) crc = crcTable[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
}

// The end-of-central-directory record: the last PK\5\6 within the 64 KiB comment's reach.
function endRecord(bytes) {
  for (let at = bytes.length - 22; at >= Math.max(0, bytes.length - 22 - 65535); at -= 1) {
    if (u32(bytes, at) === 0x06054b50) return at;
  }
  return -1;
}

// The entries of a zip's central directory: {name, flags, method, crc, compressed, size, offset}.
function centralDirectory(name, bytes) {
  const damaged = `${name} is a damaged zip file (was the download complete?): download it again.`;
  const end = endRecord(bytes);
  if (end < 0) throw new ArchiveRefusal(damaged);
  const count = u16(bytes, end + 10);
  const length = u32(bytes, end + 12);
  let at = u32(bytes, end + 16);
  if (count === 0xffff || at === 0xffffffff) {
    throw new ArchiveRefusal(`${name} is a zip of the 64-bit kind, which this page cannot unpack: unpack it on your computer and choose its files (meta.xml and the tables) together.`);
  }
  if (at + length > end) throw new ArchiveRefusal(damaged);
  const decoder = new TextDecoder('utf-8');
  const latin1 = new TextDecoder('windows-1252');
  const entries = [];
  for (let i = 0; i < count; i += 1) {
    if (at + 46 > end || u32(bytes, at) !== 0x02014b50) throw new ArchiveRefusal(damaged);
    const flags = u16(bytes, at + 8);
    const nameLength = u16(bytes, at + 28);
    const raw = bytes.subarray(at + 46, at + 46 + nameLength);
    entries.push({
      name: (flags & 0x800 ? decoder : latin1).decode(raw),
      flags,
      method: u16(bytes, at + 10),
      crc: u32(bytes, at + 16),
      compressed: u32(bytes, at + 20),
      size: u32(bytes, at + 24),
      offset: u32(bytes, at + 42),
    });
    at += 46 + nameLength + u16(bytes, at + 30) + u16(bytes, at + 32);
  }
  return entries;
}

// Whether the browser inflates raw deflate data (DecompressionStream 'deflate-raw').
function canInflate() {
  try {
    return typeof DecompressionStream === 'function' && Boolean(new DecompressionStream('deflate-raw'));
  } catch {
    return false;
  }
}

// Inflates raw deflate data, stopping as soon as it passes `most` bytes.
async function inflate(data, most) {
  const stream = new Blob([data]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
  const reader = stream.getReader();
  const parts = [];
  let length = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    length += value.length;
    if (length > most) {
      reader.cancel().catch(() => {});
      return null;
    }
    parts.push(value);
  }
  const out = new Uint8Array(length);
  let at = 0;
  for (const p of parts) {
    out.set(p, at);
    at += p.length;
  }
  return out;
}

// The files of the zip `bytes` called `name`: [{name, bytes}], folders left out. Entry names are
// handed on as the zip writes them; the engine leaves out those that would reach outside the
// archive ("../x", "/etc/passwd"), as the programs do, and says so. Refuses (ArchiveRefusal) a
// damaged zip, encrypted entries, compression other than stored and deflate, and entries that
// inflate beyond ZIP_LIMITS or to other bytes than the zip records.
export async function unzip(name, bytes, limits = ZIP_LIMITS) {
  if (!canInflate()) {
    throw new ArchiveRefusal(`${name} is a zip, which this browser cannot unpack (it lacks DecompressionStream for deflate): open the page in a current Firefox, Chrome, Edge or Safari, or unpack the zip on your computer and choose its files together.`);
  }
  const total = Math.min(limits.maxTotal, Math.max(limits.minTotal, limits.maxRatio * bytes.length));
  let inflated = 0;
  const files = [];
  for (const e of centralDirectory(name, bytes)) {
    if (e.name.endsWith('/') || e.name.endsWith('\\')) continue;
    const where = `${name}: ${e.name}`;
    if (e.flags & 1) {
      throw new ArchiveRefusal(`${where} is encrypted (the zip has a password): unpack it on your computer with its password and choose its files together, or download the archive again without one.`);
    }
    if (e.method !== 0 && e.method !== 8) {
      throw new ArchiveRefusal(`${where} is compressed by method ${e.method}, which this page cannot unpack (only stored and deflate): make the zip again with ordinary compression, or choose its files together.`);
    }
    if (e.size > limits.maxRatio * Math.max(e.compressed, 1) || inflated + e.size > total) {
      throw new ArchiveRefusal(`${where} would inflate to ${e.size} bytes, far more than a real archive does: the zip is damaged or made to exhaust memory, and is not read.`);
    }
    const local = e.offset;
    if (local + 30 > bytes.length || u32(bytes, local) !== 0x04034b50) {
      throw new ArchiveRefusal(`${where}: the entry is damaged (was the download complete?): download the archive again.`);
    }
    const start = local + 30 + u16(bytes, local + 26) + u16(bytes, local + 28);
    const data = bytes.subarray(start, start + e.compressed);
    let content;
    if (e.method === 0) {
      content = data.slice();  // its own bytes: a view would take the whole zip to the worker
    } else {
      try {
        content = await inflate(data, e.size);
      } catch {
        content = undefined;
      }
    }
    if (content === null) {
      throw new ArchiveRefusal(`${where} inflates to more than the ${e.size} bytes the zip records: the zip is damaged or made to exhaust memory, and is not read.`);
    }
    if (!content || data.length !== e.compressed || content.length !== e.size || crc32(content) !== e.crc) {
      throw new ArchiveRefusal(`${where}: the entry is damaged (its bytes do not match the zip's checksum): download the archive again.`);
    }
    inflated += content.length;
    files.push({ name: e.name, bytes: content });
  }
  return files;
}

// ---------------------------------------------------------------------------------------------
// Which files are an archive's, by their bytes

// Terms whose presence in a header row marks a Darwin Core table.
const DWC_TERMS = ['eventid', 'occurrenceid', 'scientificname', 'taxonid', 'parenteventid', 'occurrencestatus'];

// True when the file is XML (after a byte-order mark and blanks, it starts with "<").
export function looksLikeXml(bytes) {
  let at = 0;
  if (bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf) at = 3;
  if ((bytes[0] === 0xff && bytes[1] === 0xfe) || (bytes[0] === 0xfe && bytes[1] === 0xff)) {
    return bytes[2] === 0x3c || bytes[3] === 0x3c;
  }
  while (at < bytes.length && [0x20, 0x09, 0x0a, 0x0d].includes(bytes[at])) at += 1;
  return bytes[at] === 0x3c;
}

// True when the file's first line names Darwin Core terms (eventID, scientificName, ...), as
// plain names or URIs.
export function hasDarwinCoreHeader(bytes) {
  const first = new TextDecoder('utf-8').decode(bytes.subarray(0, 8192)).split(/\r?\n/)[0] || '';
  const names = first.split(/[,;\t|]/).map((n) => n.trim().replace(/^"|"$/g, '').replace(/^.*[/#:]/, '').toLowerCase());
  return names.some((n) => DWC_TERMS.includes(n));
}

// ---------------------------------------------------------------------------------------------
// XML, parsed by the browser

// The encoding an XML document is in: its byte-order mark, else its declaration's, else UTF-8.
function xmlEncoding(bytes) {
  if (bytes[0] === 0xff && bytes[1] === 0xfe) return 'utf-16le';
  if (bytes[0] === 0xfe && bytes[1] === 0xff) return 'utf-16be';
  const head = new TextDecoder('windows-1252').decode(bytes.subarray(0, 200));
  const declared = head.match(/^\s*<\?xml[^>]*encoding\s*=\s*["']([A-Za-z0-9._-]+)["']/);
  return declared ? declared[1].toLowerCase() : 'utf-8';
}

// An element as the engine takes it (local names, entities replaced, text as textContent);
// throws past MAX_XML_DEPTH, and when the text copied into every element above it passes
// `budget.left` characters (text nested deep in a large document would take many times its size),
// as the programs' parser does.
function tree(element, depth, budget) {
  if (depth > MAX_XML_DEPTH) throw new Error(`elements nested more than ${MAX_XML_DEPTH} deep`);
  const text = element.textContent;
  budget.left -= text.length;
  if (budget.left < 0) throw new Error('its text nested in many elements takes too much memory');
  return {
    name: element.localName,
    attributes: [...element.attributes].map((a) => [a.localName, a.value]),
    children: [...element.children].map((c) => tree(c, depth + 1, budget)),
    text,
  };
}

// The XML files among `files`, parsed: {trees: {name: tree}, errors: {name: message}}.
export function parseXmlFiles(files) {
  const trees = {};
  const errors = {};
  for (const f of files) {
    if (!looksLikeXml(f.bytes)) continue;
    if (f.bytes.length > MAX_XML_BYTES) {
      errors[f.name] = `larger than ${MAX_XML_BYTES >> 20} MiB, which no meta.xml or eml.xml comes near`;
      continue;
    }
    let text;
    try {
      text = new TextDecoder(xmlEncoding(f.bytes)).decode(f.bytes);
    } catch {
      errors[f.name] = `its encoding ${xmlEncoding(f.bytes)} is not one this browser reads`;
      continue;
    }
    const doc = new DOMParser().parseFromString(text.replace(/^\uFEFF/, ''), 'application/xml');
    const failure = doc.getElementsByTagName('parsererror')[0];
    if (failure) {
      errors[f.name] = `not well-formed XML: ${failure.textContent.trim().split('\n')[0].slice(0, 200)}`;
      continue;
    }
    try {
      // 16 times the document and 1 MiB: what the programs' parser allows.
      trees[f.name] = tree(doc.documentElement, 1, { left: 16 * f.bytes.length + (1 << 20) });
    } catch (e) {
      errors[f.name] = e.message;
    }
  }
  return { trees, errors };
}

// The files of an archive as the engine names them (backslashes as '/', a leading "./" gone), so
// that the trees are found under the names the archive's files have.
export function archiveName(name) {
  return name.replace(/\\/g, '/').replace(/^(\.\/)+/, '');
}
