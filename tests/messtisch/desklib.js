// The desk's own scripts loaded into node, as the page loads them, for the
// unit tests of its detection code.
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');
const { root } = require('./support');

for (const file of ['messkart/extended.js', 'messkart/model.js', 'js/bmp.js', 'js/tilt.js', 'js/bars.js', 'js/lines.js', 'js/frame.js', 'js/proposals.js']) {
  const name = path.join(root, 'messtisch', file);
  vm.runInThisContext(fs.readFileSync(name, 'utf8'), { filename: name });
}

module.exports = { Bmp, Tilt, Bars, Lines, Frame, MesskartModel, Proposals };
