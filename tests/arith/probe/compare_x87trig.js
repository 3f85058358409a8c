// Compares the records of x87trig_probe built natively (the x87) and for the
// page (the software type): how many arguments give other bits in extended
// precision, how many other stored doubles, and for the angles how many
// other sizes of the turned picture; the first of each shown.
//   node compare_x87trig.js angles|shifts NATIVE PAGE
'use strict';
const fs = require('fs');

const [mode, nativeFile, pageFile] = process.argv.slice(2);
const native = fs.readFileSync(nativeFile), page = fs.readFileSync(pageFile);
if (native.length !== page.length) {
  console.log(`records differ in length: ${native.length} and ${page.length}`);
  process.exit(1);
}
const extended = (b, at) => b.toString('hex', at, at + 10);
const counts = { extended: 0, stored: 0, sizes: 0, records: 0 };
const shown = [];
const record = mode === 'angles' ? 10 + 10 + 8 + 8 + 64 : 10 + 8 + 16;
const sizesFrom = mode === 'angles' ? 36 : 18;
for (let at = 0; at < native.length; at += record) {
  counts.records += 1;
  const parts = mode === 'angles' ? [[0, 10], [10, 20]] : [[0, 10]];
  const stored = mode === 'angles' ? [20, 36] : [10, 18];
  if (parts.some(([from, to]) => !native.subarray(at + from, at + to).equals(page.subarray(at + from, at + to)))) {
    counts.extended += 1;
  }
  if (!native.subarray(at + stored[0], at + stored[1]).equals(page.subarray(at + stored[0], at + stored[1]))) {
    counts.stored += 1;
    if (shown.length < 12) shown.push(`record ${counts.records - 1}: ${extended(native, at)} / ${extended(page, at)}`);
  }
  if (!native.subarray(at + sizesFrom, at + record).equals(page.subarray(at + sizesFrom, at + record))) {
    counts.sizes += 1;
  }
}
console.log(`${mode}: ${counts.records} arguments; other extended bits: ${counts.extended}; ` +
  `other stored doubles: ${counts.stored}; other picture sizes: ${counts.sizes}`);
for (const line of shown) console.log('  ' + line);
process.exit(counts.stored === 0 && counts.sizes === 0 ? 0 : 1);
