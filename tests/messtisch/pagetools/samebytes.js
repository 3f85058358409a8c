// The page's build of a tool against the native program: random cases run
// by both in folders of their own must give the same console bytes, the same
// exit code, and the same files, byte for byte.
//   node tests/messtisch/pagetools/samebytes.js <tool> <native program> [count]
// With SAMEBYTES_AGAINST=<another native program>, that program takes the
// page build's place (two builds of the tool held to each other).
// Tools: kippdreh (angles, x= and y= shifts), glattzug (h, v, v with
// latitudes), messkart (measurement files), passnetz (.INF files),
// messkartbericht (the desk's report on measurement files).
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');
const { bmpHeader, blankBmp } = require('../support.js');
const { runPageTool, toolFile } = require('./runpagetool.js');

const [tool, nativeProgram, countText] = process.argv.slice(2);
const count = Number(countText || 1000);
let seed = 32 + tool.length;
const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
const pick = (list) => list[Math.floor(random() * list.length)];
const int = (low, high) => low + Math.floor(random() * (high - low + 1));

// Random pixels, none of them the bars' pure blue unless painted.
function noisePicture(width, height, paint = () => null) {
  const { bytes, rowBytes } = blankBmp(width, height);
  for (let y = 0; y < height; y++) {
    let at = 54 + rowBytes * (height - 1 - y);
    for (let x = 0; x < width; x++, at += 3) {
      const painted = paint(x, y);
      const [b, g, r] = painted || [int(0, 255), int(1, 255), int(0, 255)];
      bytes[at] = b; bytes[at + 1] = g; bytes[at + 2] = r;
    }
  }
  return bytes;
}

function kippdrehCase() {
  const width = pick([1, int(2, 40), int(40, 300), int(300, 420)]), height = pick([2, int(2, 40), int(40, 300)]);
  // A shift must stay below half of either side.
  const limit = Math.max(1, Math.floor(Math.min(width, height) / 2) - 1);
  const args = [
    () => 'g=' + (random() * 180 - 90).toFixed(pick([0, 1, 2, 2, 2, 3])),
    () => 'g=' + (random() * 20 - 10).toFixed(pick([1, 2, 2, 3])),
    () => 'g=' + pick(['90', '-90', '0', '90.01', '45', '-45', '0.01', '-0.01', '30']),
    () => 'x=' + int(-limit, limit),
    () => 'y=' + int(-limit, limit),
    () => pick(['x=' + int(-2000, 2000), 'y=' + int(-2000, 2000), 'g=abc', 'z=3', 'x=0']),
  ];
  return { files: { 'BILD.BMP': noisePicture(width, height) }, args: ['BILD.BMP', pick(args)()] };
}

// A map framed by pure-blue bars along its sides (mode h) or along its top
// and bottom (mode v), their inner edges wandering.
function glattzugCase() {
  const width = pick([int(3, 40), int(40, 220)]), height = pick([int(3, 40), int(40, 180)]);
  const mode = pick(['h', 'v', 'v', 'horizontal', 'vertikal']);
  const across = mode[0] === 'h' ? width : height;
  const edges = new Map();
  let low = int(0, Math.floor(across / 4)), high = int(0, Math.floor(across / 4));
  const edgeOf = (line) => {
    if (!edges.has(line)) {
      if (random() < 0.3) low = Math.max(0, low + int(-1, 1));
      if (random() < 0.3) high = Math.max(0, high + int(-1, 1));
      edges.set(line, [low, across - 1 - high]);
    }
    return edges.get(line);
  };
  const blue = [255, 0, 0];
  const bytes = noisePicture(width, height, (x, y) => {
    const [line, at] = mode[0] === 'h' ? [y, x] : [x, y];
    const [start, end] = edgeOf(line);
    return at < start || at > end ? blue : null;
  });
  const args = ['KARTE.BMP', mode];
  if (mode[0] === 'v' && random() < 0.6) {
    const bottom = random() * 150 - 75, top = bottom + pick([0.5, 3, 20, random() * 60]);
    args.push(bottom.toFixed(int(0, 4)), pick([top.toFixed(int(0, 4)), bottom.toFixed(2), '91']));
  }
  return { files: { 'KARTE.BMP': bytes }, args };
}

function angleText() {
  switch (int(0, 4)) {
    case 0: return (random() * 170 - 85).toFixed(int(0, 6));
    case 1: return (random() < 0.3 ? '-' : '') + String(int(0, 89)).padStart(2, '0') +
      String(int(0, 59)).padStart(2, '0') + String(int(0, 59)).padStart(2, '0');
    case 2: return pick(['47.336', '47.3360', '49.776', '90.0', '91.', '1,5', '35.25', '8.3', '13.', '52436', '13243650']);
    case 3: return poleAngle();
    default: return (random() * 20).toExponential(int(1, 4));
  }
}

// Latitudes at and beyond the poles, decimal and packed: 90 and -90 pass, a
// hair beyond them stops with the format error.
function poleAngle() {
  const sign = random() < 0.5 ? '-' : '';
  switch (int(0, 3)) {
    case 0: return sign + pick(['90.0', '90.', '90.0000001', '91.', '480.0', '20000.0', '9.0000001e1', '1.e3']);
    case 1: return sign + pick(['900000', '0900000', '900001', '895960', '1132436', '0910000']);
    case 2: return sign + (90 + random() * 400).toFixed(int(0, 6));
    default: return sign + String(int(90, 179)) + String(int(0, 59)).padStart(2, '0') + String(int(0, 59)).padStart(2, '0');
  }
}

// Points that cannot calibrate an axis: one point twice, one meridian written
// two ways, one parallel, and one parallel only after the correction.
const unsuitableFiles = [
  '0320 0240\r\n100 0100000 100 0500000\r\n200 0100000 200 0500000\r\n',
  '0320 0240\r\n100 10.0 100 50.5\r\n200 0100000 200 51.0\r\n',
  '0320 0240\r\n100 10.0 100 50.0\r\n200 11.0 200 0500000\r\n',
  '0320 0240\r\n100 10.0 100 0.0\r\nWGS 0 3600\r\n200 11.0 200 -1.0\r\n',
];
let messkartCases = 0;

// Random measurement files, with names in UTF-8 as the page writes them,
// bytes outside printable ASCII where a field or a blank should be, a
// Windows editor's byte order mark, and every kind of line end.
function measurementFile() {
  if (messkartCases < unsuitableFiles.length) return Buffer.from(unsuitableFiles[messkartCases++], 'latin1');
  const lines = [String(int(0, 9999)).padStart(4, '0') + ' ' + String(int(0, 9999)).padStart(4, '0')];
  if (random() < 0.2) lines.push('* Kommentar ' + int(0, 99));
  if (random() < 0.2) lines.push('WGS ' + int(-300, 300) + ' ' + (random() * 100 - 50).toFixed(2));
  const shared = angleText();
  for (let i = int(1, 8); i > 0; --i) {
    const lat = random() < 0.3 ? shared : angleText();
    let line = int(-50, 4000) + ' ' + angleText() + ' ' + int(-50, 4000) + ' ' + lat;
    if (random() < 0.2) line += pick([' Turm', ' M\u00fcnster', ' \u0141\u00f3d\u017a \u20ac', ' \u{1F3F0}']) + i;
    if (random() < 0.03) line = line.replace(' ', pick(['\u00e4', '\x07', '\x00', '\x1b[2J', '\t', '\u20ac'])) + ' ';
    lines.push(line);
  }
  if (random() < 0.2) lines.push('GPS');
  const end = pick(['\r\n', '\r\n', '\n', '\r']);
  return Buffer.from((random() < 0.1 ? '\uFEFF' : '') + lines.join(end) + (random() < 0.9 ? end : ''), 'utf8');
}

function messkartCase() {
  return { files: { 'MESS.TXT': measurementFile() }, args: ['MESS.TXT'] };
}

// messkart's report for the desk: read as messkart reads, or checking, with
// some data lines left out of the fit.
function messkartberichtCase() {
  const args = ['MESS.TXT'];
  if (random() < 0.7) {
    args.push('pruefen');
    for (let n = int(0, 3); n > 0; --n) args.push(String(int(1, 8)));
  }
  return { files: { 'MESS.TXT': measurementFile() }, args };
}

// Random .INF files as calibrations come: both formats, one to seven
// decimals, any line ends, with or without the last one, a header size that
// is not the picture's, a map upside down or past a pole, coefficients of 0,
// fields that are no numbers, lines missing or too many.
function passnetzCase() {
  // Now and then longitudes of whole powers of two: 2^-44 at pixel 1, whose
  // shortest digits are not the rounded ones but a unit above them.
  if (random() < 0.02) {
    const { bytes, size } = bmpHeader(2, 2);
    return { files: { 'K.BMP': { bytes, length: size },
      'K.INF': Buffer.from('17592186044416.0000\r\n-0.5000\r\n-100.0000\r\n5.0000\r\n2\r\n2\r\n', 'latin1') }, args: ['K.BMP'] };
  }
  const width = pick([1, 2, int(1, 50), int(50, 800), int(800, 6000)]);
  const height = pick([1, 2, int(1, 50), int(50, 800), int(800, 6000)]);
  const sinh = (degrees) => Math.sinh(degrees * Math.PI / 180);
  const middle = random() * 160 - 80, span = pick([0.01, 0.5, 3, 10, 30, random() * 60]);
  const top = Math.min(89.9, middle + span / 2), bottom = Math.max(-89.9, middle - span / 2);
  const c = -height / (sinh(top) - sinh(bottom)) * (random() < 0.1 ? -1 : 1);
  const d = -c * sinh(top) + (random() < 0.05 ? height * 3 : 0);
  // x = a * longitude + b; now and then longitudes beyond 360 degrees
  const a = pick([-1, 1]) * width / pick([0.001, 0.5, 2, 8, random() * 90]);
  const b = random() < 0.2 ? random() * 20000 - 10000 : -a * (random() * 340 - 170);
  const numbers = [a, b, c, d].map((v) => v.toFixed(pick([4, 4, 1, 7])));
  if (random() < 0.03) numbers[pick([0, 2])] = pick(['0.0000', '-0.0000']);
  if (random() < 0.03) numbers[int(0, 3)] = pick(['1,5', '', 'x', '1e3']);
  const header = random() < 0.8 ? [width, height] : [int(0, 9999), int(0, 9999)];
  const lines = numbers.concat(header.map(String));
  if (random() < 0.5) lines.push('GPS');
  if (random() < 0.03) lines.push(pick(['WGS', 'gps', '', ' ']));
  if (random() < 0.03) lines.splice(int(0, lines.length - 1), 1);
  const end = pick(['\r\n', '\r\n', '\n', '\r']);
  const text = lines.join(end) + (random() < 0.9 ? end : '');
  // The picture's header, its pixels a hole: only the GeoTIFF reads them.
  const { bytes, size } = bmpHeader(width, height);
  return { files: { 'K.BMP': { bytes, length: size }, 'K.INF': Buffer.from(text, 'latin1') },
    args: pick([['K.BMP'], ['K.BMP'], ['K.BMP', 'K.INF']]) };
}

const makeCase = { kippdreh: kippdrehCase, glattzug: glattzugCase, messkart: messkartCase, passnetz: passnetzCase,
                   messkartbericht: messkartberichtCase }[tool];

function prepare(folder, files) {
  for (const name of fs.readdirSync(folder)) fs.rmSync(path.join(folder, name), { recursive: true });
  for (const [name, bytes] of Object.entries(files)) {
    if (Buffer.isBuffer(bytes)) {
      fs.writeFileSync(path.join(folder, name), bytes);
    } else {
      fs.writeFileSync(path.join(folder, name), bytes.bytes);
      fs.truncateSync(path.join(folder, name), bytes.length);
    }
  }
}

// Every file's bytes; of a picture given as a hole (holes), its length and header only.
function contents(folder, holes) {
  return Object.fromEntries(fs.readdirSync(folder).sort().map((name) => {
    const file = path.join(folder, name);
    if (!holes.has(name)) return [name, fs.readFileSync(file)];
    const header = Buffer.alloc(54);
    const fd = fs.openSync(file, 'r');
    const got = fs.readSync(fd, header, 0, 54, 0);
    fs.closeSync(fd);
    return [name, Buffer.concat([header.subarray(0, got), Buffer.from(String(fs.statSync(file).size))])];
  }));
}

function sameFiles(a, b) {
  const names = Object.keys(a);
  return names.join('/') === Object.keys(b).join('/') && names.every((name) => a[name].equals(b[name]));
}

function nativeRun(program, args, folder, input) {
  const run = spawnSync(path.resolve(program), args, { cwd: folder, input, maxBuffer: 1 << 26 });
  return { code: run.status, stdout: run.stdout };
}

(async () => {
  const against = process.env.SAMEBYTES_AGAINST;
  if (!against && !fs.existsSync(toolFile(tool))) {
    console.log(`${toolFile(tool)} is missing: scripts/build-page-tools builds the page's tools.`);
    process.exit(1);
  }
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'page-' + tool + '-'));
  const nativeFolder = path.join(root, 'native'), pageFolder = path.join(root, 'page');
  fs.mkdirSync(nativeFolder);
  fs.mkdirSync(pageFolder);
  const input = '\r\n';
  let differences = 0, written = 0;
  const codes = new Map();
  for (let i = 0; i < count; ++i) {
    const { files, args } = makeCase();
    prepare(nativeFolder, files);
    prepare(pageFolder, files);
    const native = spawnSync(path.resolve(nativeProgram), args, { cwd: nativeFolder, input, maxBuffer: 1 << 26 });
    native.stdout = native.stdout || Buffer.alloc(0);
    const page = against ? nativeRun(against, args, pageFolder, input) : await runPageTool(tool, args, { folder: pageFolder, input });
    const holes = new Set(Object.keys(files).filter((name) => !Buffer.isBuffer(files[name])));
    const nativeFiles = contents(nativeFolder, holes), pageFiles = contents(pageFolder, holes);
    codes.set(native.status, (codes.get(native.status) || 0) + 1);
    if (Object.keys(nativeFiles).length > Object.keys(files).length) written += 1;
    const same = native.status === page.code && native.stdout.equals(page.stdout) && sameFiles(nativeFiles, pageFiles);
    if (process.env.SAMEBYTES_VERBOSE) console.log(args.join(' '), native.status, native.stdout.toString('latin1').split('\r\n').slice(-4).join('|'));
    if (!same) {
      differences += 1;
      if (differences <= 5) {
        const kept = path.join(root, 'case-' + i);
        fs.cpSync(nativeFolder, kept + '-native', { recursive: true });
        fs.cpSync(pageFolder, kept + '-page', { recursive: true });
        console.log(`case ${i}: ${tool} ${args.join(' ')}: exit ${native.status} / ${page.code}, ` +
          `console ${native.stdout.equals(page.stdout) ? 'same' : 'differs'}, files ` +
          `${sameFiles(nativeFiles, pageFiles) ? 'same' : 'differ'} (kept in ${kept}-*)`);
      }
    }
  }
  const exits = [...codes].map(([code, n]) => `exit ${code}: ${n}`).join(', ');
  console.log(`${tool}: ${count - differences} of ${count} cases the same (${written} wrote files; ${exits})`);
  if (differences === 0) fs.rmSync(root, { recursive: true });
  process.exit(differences === 0 && written > 0 ? 0 : 1);
})();
