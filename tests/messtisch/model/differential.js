// The page's model of messkart against the built tool: random measurement
// files (and files aimed at equal and nearly equal latitudes, latitudes at and
// beyond the poles, packed angles, corrections, GPS marks, line ends, format
// errors, a Windows editor's byte order mark and bytes outside printable
// ASCII) must give the same .INF bytes, or the same failure, in both. The
// model gets the text as the page has it, decoded from the file's UTF-8.
//   node tests/messtisch/model/differential.js path/to/messkart [count]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const MesskartModel = require('../../../messtisch/messkart/model.js');

const messkart = path.resolve(process.argv[2]);
const count = Number(process.argv[3] || 400);
let seed = 2026;
const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
const pick = (list) => list[Math.floor(random() * list.length)];
const int = (low, high) => low + Math.floor(random() * (high - low + 1));

const latitudes = ['23.246', '35.25', '38.186', '38.211', '47.336', '49.776', '63.841', '35.26', '45.0', '47.5'];

function angle(kind) {
  switch (kind) {
    case 0: return (random() * 170 - 85).toFixed(int(0, 6));
    case 1: return int(0, 89) + '.';
    case 2: return (random() < 0.3 ? '-' : '') + String(int(0, 89)).padStart(2, '0') + String(int(0, 59)).padStart(2, '0') + String(int(0, 59)).padStart(2, '0');
    case 3: return (random() < 0.5 ? '-' : '') + pick(latitudes);
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

function measurementFile() {
  const lines = [String(int(0, 9999)).padStart(4, '0') + ' ' + String(int(0, 9999)).padStart(4, '0')];
  if (random() < 0.2) lines.push('* Kommentar ' + int(0, 99));
  if (random() < 0.2) lines.push('WGS ' + int(-300, 300) + ' ' + (random() * 100 - 50).toFixed(2));
  const base = pick(latitudes);
  const points = int(1, 8);
  for (let i = 0; i < points; ++i) {
    const lat = random() < 0.4 ? base : random() < 0.08 ? poleAngle() : angle(int(0, 4));
    const lon = random() < 0.1 ? '8.3' : angle(int(0, 4));
    let line = int(-50, 4000) + ' ' + lon + ' ' + int(-50, 4000) + ' ' + lat;
    if (random() < 0.2) line += pick([' Turm', ' M\u00fcnster', ' \u0141\u00f3d\u017a \u20ac', ' \u{1F3F0}']) + i;
    if (random() < 0.03) line = line.replace('.', ',');
    if (random() < 0.03) line = line.replace(' ', pick(['\u00e4', '\x07', '\x00', '\x1b[2J', '\t', '\u20ac'])) + ' ';
    lines.push(line);
  }
  if (random() < 0.2) lines.push('GPS');
  const end = pick(['\r\n', '\r\n', '\n', '\r']);
  return (random() < 0.1 ? '\uFEFF' : '') + lines.join(end) + (random() < 0.9 ? end : '');
}

// What the tool's console says when it stops: the format error's text, the
// count failure, or the failure report's message.
function toolFailure(output) {
  const format = /\r\n(.*) : Formatfehler\. \[Return\] druecken\.\r\n/.exec(output);
  if (format) return format[1] + ' : Formatfehler.';
  const unsuitable = / ungeeignet\.\r\n(.*) \[Return\] druecken\.\r\n$/.exec(output);
  if (unsuitable) return unsuitable[1];
  const report = /Exception \w+ in module messkart at [0-9A-F]{8}\.\n(.*)\.\r\n$/.exec(output);
  return report ? report[1] : 'unexplained: ' + JSON.stringify(output.slice(-200));
}

// First, points that cannot calibrate an axis: one point twice, one meridian
// written two ways, one parallel, and one parallel only after the correction.
const fixedFiles = [
  '0320 0240\r\n100 0100000 100 0500000\r\n200 0100000 200 0500000\r\n',
  '0320 0240\r\n100 10.0 100 50.5\r\n200 0100000 200 51.0\r\n',
  '0320 0240\r\n100 10.0 100 50.0\r\n200 11.0 200 0500000\r\n',
  '0320 0240\r\n100 10.0 100 0.0\r\nWGS 0 3600\r\n200 11.0 200 -1.0\r\n',
];

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'messtisch-model-'));
let differences = 0;
let succeeded = 0;
for (let i = 0; i < count; ++i) {
  const text = i < fixedFiles.length ? fixedFiles[i] : measurementFile();
  fs.writeFileSync(path.join(folder, 'm.txt'), text, 'utf8');
  fs.rmSync(path.join(folder, 'm.INF'), { force: true });
  let output = '';
  try {
    output = execFileSync(messkart, ['m.txt'], { cwd: folder, stdio: ['ignore', 'pipe', 'ignore'] }).toString('latin1');
  } catch (failed) {
    output = failed.stdout.toString('latin1');
  }
  const written = fs.existsSync(path.join(folder, 'm.INF')) ? fs.readFileSync(path.join(folder, 'm.INF'), 'latin1') : null;
  const model = MesskartModel.calibrate(text);
  written !== null && (succeeded += 1);
  const same = model.ok ? written === model.infText : written === null && toolFailure(output) === model.message;
  if (!same) {
    differences += 1;
    if (differences <= 5) {
      console.log('differs on ' + JSON.stringify(text) + '\n  tool:  ' + JSON.stringify(written || toolFailure(output)) +
                  '\n  model: ' + JSON.stringify(model.ok ? model.infText : model.message));
    }
  }
}
fs.rmSync(folder, { recursive: true, force: true });
console.log('compared ' + count + ' measurement files with messkart (' + succeeded + ' written): ' + differences + ' differ');
process.exit(differences === 0 ? 0 : 1);
