// The measuring desk with big pictures and long files, in the system's
// Chromium (on demand, not a test):
//   node bench/messtisch.js [width height]      (default 12000 9000, 324 MB)
//   node bench/messtisch.js lines               (only the million lines)
// Reports the time from choosing the picture to its first frame, the time
// to save it with bars (from the click to the finished download), the peak
// memory of the page's renderer process against the file's size, whether a
// grid of 3-pixel lines stays unbroken in the whole-picture view, and the
// time to open a measurement file of a million lines.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const support = require('../tests/messtisch/support.js');
const { rendererMemory } = require('./renderermemory.js');

const onlyLines = process.argv[2] === 'lines';
const width = onlyLines ? 0 : Number(process.argv[2] || 12000), height = Number(process.argv[3] || 9000);
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'messtisch-bench-'));

// Paper with dark lines 3 pixels wide every 500 pixels, rows made once.
function picture(file) {
  const { bytes, rowBytes } = support.blankBmp(width, height);
  const paper = Buffer.alloc(rowBytes), line = Buffer.alloc(rowBytes);
  for (let x = 0; x < width; x++) {
    const dark = x % 500 < 3;
    paper.writeUIntLE(dark ? 0x202020 : 0xe8f0f4, 3 * x, 3);
    line.writeUIntLE(0x202020, 3 * x, 3);
  }
  for (let y = 0; y < height; y++) (y % 500 < 3 ? line : paper).copy(bytes, 54 + rowBytes * y);
  fs.writeFileSync(file, bytes);
  return bytes.length;
}

function watchMemory() {
  const peak = { bytes: rendererMemory() };
  const timer = setInterval(() => { peak.bytes = Math.max(peak.bytes, rendererMemory()); }, 50);
  return { stop: () => { clearInterval(timer); return peak.bytes; } };
}

async function main() {
  if (!onlyLines) await pictures();
  await millionLines();
}

async function pictures() {
  const file = path.join(folder, 'gross.bmp');
  const size = picture(file);
  const mb = (bytes) => (bytes / 1048576).toFixed(0) + ' MB';
  const { browser, page } = await support.openPage();
  try {
    const memory = watchMemory();
    let started = Date.now();
    await page.setInputFiles('#bild-datei', file);
    await page.waitForSelector(`body[data-bild="${width}x${height}"]`, { timeout: 120000 });
    const opened = Date.now() - started;
    // the whole-picture view: every screen row of a vertical line stays dark
    await page.waitForFunction(() => { const o = window.Messtisch.view.overview; return o && o.levels.length >= 5; }, null, { timeout: 120000 });
    await page.waitForTimeout(300);
    const broken = await page.evaluate(() => {
      const view = window.Messtisch.view, p = view.picture, gaps = [];
      for (const x of [500, 1000, 5000]) {
        if (x >= p.width) continue;
        const sx = Math.floor((x + 1.5 - view.left) * view.scale);
        const top = Math.max(0, Math.ceil(-view.top * view.scale)), bottom = Math.min(view.canvas.height, Math.floor((p.height - view.top) * view.scale));
        const column = view.context.getImageData(sx - 1, top, 3, bottom - top).data;
        let light = 0;
        for (let row = 0; row < bottom - top; row++) {
          const darkest = Math.min(column[12 * row], column[12 * row + 4], column[12 * row + 8]);
          if (darkest > 100) light++;
        }
        gaps.push(light);
      }
      return gaps;
    });
    // bars on the left and right, then the save
    await page.keyboard.press('b');
    await page.evaluate(([w, h]) => {
      const s = window.Messtisch.state;
      s.lines.left = [{ x: 40, y: 0 }, { x: 90, y: h - 1 }];
      s.lines.right = [{ x: w - 60, y: 0 }, { x: w - 30, y: h - 1 }];
    }, [width, height]);
    started = Date.now();
    const [download] = await Promise.all([page.waitForEvent('download', { timeout: 300000 }), page.click('#balken-speichern')]);
    const target = path.join(folder, 'balken.bmp');
    await download.saveAs(target);
    const saved = Date.now() - started;
    const peak = memory.stop();
    const savedSize = fs.statSync(target).size;
    fs.rmSync(target);
    console.log(`messtisch, ${width} x ${height} (${mb(size)})`);
    console.log(`  open to first frame      ${(opened / 1000).toFixed(2)} s   (goal 2 s)`);
    console.log(`  save with bars           ${(saved / 1000).toFixed(2)} s   (goal 3 s), ${mb(savedSize)} written`);
    console.log(`  renderer memory, peak    ${mb(peak)} = ${(peak / size).toFixed(2)} x the file (goal 2.5)`);
    console.log(`  whole view, light rows on three 3-pixel lines: ${broken.join(', ')} (goal 0)`);
  } finally {
    await browser.close();
  }
}

async function millionLines() {
  const mb = (bytes) => (bytes / 1048576).toFixed(0) + ' MB';
  const lines = ['6000 4000'];
  for (let i = 0; i < 1000000; i++) {
    const x = (i * 37) % 6000, y = (i * 53) % 4000;
    lines.push(`${x} ${(10 + x / 3000).toFixed(5)} ${y} ${(52 - y / 2000).toFixed(5)} P${i}`);
  }
  const text = path.join(folder, 'million.txt');
  fs.writeFileSync(text, lines.join('\r\n') + '\r\n', 'latin1');
  const second = await support.openPage();
  try {
    const started = Date.now();
    await second.page.setInputFiles('#mess-datei', text);
    await second.page.waitForSelector('#punkt-tabelle td.hinweis', { timeout: 300000 });
    const read = Date.now() - started;
    await second.page.waitForSelector('#inf-vorschau', { timeout: 600000 });
    const fitted = Date.now() - started;
    console.log(`  1,000,000 lines (${mb(fs.statSync(text).size)}): table shown after ${(read / 1000).toFixed(2)} s (goal 5 s), ` +
                `exact fit after ${(fitted / 1000).toFixed(1)} s (in steps, page usable)`);
  } finally {
    await second.browser.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
