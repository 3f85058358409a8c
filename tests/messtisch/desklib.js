// The desk's own scripts loaded into node through the page's own define, for
// the unit tests of its pure modules: every module started here is exported
// under its name.
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const vm = require('node:vm');
const { root } = require('./support');

const load = (file) => {
  const name = path.join(root, 'messtisch', file);
  vm.runInThisContext(fs.readFileSync(name, 'utf8'), { filename: name });
};
load('js/define.js');
for (const file of ['js/bmp.js', 'js/tilt.js', 'js/bars.js', 'js/lines.js', 'js/frame.js']) load(file);
// the page's other pure modules, for their own unit tests
for (const file of ['js/overview.js', 'js/view.js', 'js/graticule.js', 'js/pointcsv.js', 'js/fingerprint.js', 'js/angletext.js',
                    'js/inffile.js', 'js/pointrows.js', 'js/messkartreport.js', 'js/pointoutliers.js']) load(file);
// what the page reads before and after a tool's run in it
for (const file of ['js/toolmemory.js', 'js/chainnames.js', 'js/toolconsole.js']) load(file);
define.check();

const { Bars, Bmp } = define.modules();

// The picture with the blue bars of lines painted as the Balken tab saves it,
// written to folder/name; returns the painted range of rows or columns.
async function saveWithBars(folder, name, picture, lines, run) {
  const range = Bars.paintedRange(lines, run, picture.width, picture.height);
  const painted = await Bmp.paintedBlob(picture, Bars.rowSpans(range, picture.width), 'image/bmp');
  fs.writeFileSync(path.join(folder, name), Buffer.from(await painted.arrayBuffer()));
  return range;
}

module.exports = Object.assign({ define, saveWithBars }, define.modules());
