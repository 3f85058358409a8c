// The page's model of passnetz against the built program: random pictures and
// .INF files (both formats, four or more decimals, any line ends, sizes that
// differ from the header values, and faults) must give the same .vrt and
// .points bytes, or the same refusal, in both.
//   node tests/messtisch/model/passnetz_differential.js path/to/passnetz [count]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const PassnetzModel = require('../../../messtisch/passnetz/model.js');
const { bmpHeader } = require('../support.js');

const passnetz = path.resolve(process.argv[2]);
const count = Number(process.argv[3] || 300);
let seed = 25;
const random = () => ((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648);
const pick = (list) => list[Math.floor(random() * list.length)];
const int = (low, high) => low + Math.floor(random() * (high - low + 1));
const sinhDegrees = (degrees) => Math.sinh(degrees * Math.PI / 180);

// A header-only picture as long as its pixels need, the pixels left as a hole.
function writePicture(file, width, height) {
  const { bytes, size } = bmpHeader(width, height);
  fs.writeFileSync(file, bytes);
  fs.truncateSync(file, size);
}

function calibrationText(width, height) {
  const middle = random() * 160 - 80, span = pick([0.01, 0.5, 3, 10, 30, random() * 60]);
  const top = Math.min(89.9, middle + span / 2), bottom = Math.max(-89.9, middle - span / 2);
  let c = -height / (sinhDegrees(top) - sinhDegrees(bottom));
  if (random() < 0.1) c = -c;  // a map upside down
  const d = -c * sinhDegrees(top) + (random() < 0.05 ? height * 3 : 0);  // now and then past a pole
  const a = pick([-1, 1]) * width / pick([0.001, 0.5, 2, 8, random() * 90]), b = random() * 20000 - 10000;
  const digits = pick([4, 4, 4, 1, 7]);
  const numbers = [a, b, c, d].map((v) => v.toFixed(digits));
  if (random() < 0.03) numbers[pick([0, 2])] = pick(['0.0000', '-0.0000']);
  if (random() < 0.03) numbers[int(0, 3)] = pick(['1,5', '', 'x', '1e3']);
  const header = random() < 0.8 ? [width, height] : [int(0, 9999), int(0, 9999)];
  const lines = numbers.concat(header.map(String));
  if (random() < 0.5) lines.push('GPS');
  if (random() < 0.03) lines.push(pick(['WGS', 'gps', '', ' ']));
  if (random() < 0.03) lines.splice(int(0, lines.length - 1), 1);
  const end = pick(['\r\n', '\r\n', '\n', '\r']);
  return lines.join(end) + (random() < 0.9 ? end : '');
}

// The program's own message, when it refuses.
function refusal(output) {
  const lines = output.split('\r\n').filter((line) => line.endsWith('\x07'));
  return lines.length ? lines[0].slice(0, -1) : 'unexplained: ' + JSON.stringify(output.slice(-300));
}

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'passnetz-model-'));
let differences = 0;
let written = 0;
for (let i = 0; i < count; ++i) {
  const width = pick([1, 2, int(1, 50), int(50, 800), int(800, 6000)]);
  const height = pick([1, 2, int(1, 50), int(50, 800), int(800, 6000)]);
  const text = calibrationText(width, height);
  for (const name of fs.readdirSync(folder)) fs.rmSync(path.join(folder, name));
  writePicture(path.join(folder, 'K.BMP'), width, height);
  fs.writeFileSync(path.join(folder, 'K.INF'), text, 'latin1');
  let output = '';
  try {
    output = execFileSync(passnetz, ['K.BMP'], { cwd: folder, stdio: ['ignore', 'pipe', 'ignore'] }).toString('latin1');
  } catch (failed) {
    output = failed.stdout.toString('latin1');
  }
  const read = (name) => fs.existsSync(path.join(folder, name)) ? fs.readFileSync(path.join(folder, name), 'latin1') : null;
  const vrt = read('K.vrt'), points = read('K.BMP.points');
  const model = PassnetzModel.exportFiles('K.BMP', width, height, 'K.INF', text);
  if (vrt !== null) written += 1;
  const same = model.ok
    ? vrt === model.vrt && points === model.points && (model.warning === '' || output.includes(model.warning + '\r\n'))
    : vrt === null && points === null && refusal(output) === model.message;
  if (!same) {
    differences += 1;
    if (differences <= 5) {
      console.log('differs on ' + width + ' x ' + height + ' ' + JSON.stringify(text) + '\n  program: ' +
                  (vrt === null ? refusal(output) : vrt.length + ' bytes') + '\n  model:   ' +
                  (model.ok ? model.vrt.length + ' bytes' + (vrt === model.vrt ? ' (same .vrt)' : '') : model.message));
    }
  }
}
fs.rmSync(folder, { recursive: true, force: true });
console.log('compared ' + count + ' pictures and .INF files with passnetz (' + written + ' written): ' + differences + ' differ');
process.exit(differences === 0 ? 0 : 1);
