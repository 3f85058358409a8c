// The measuring desk's memory while it turns a 12000 x 9000 picture with the
// page's kippdreh, as a user does: the picture opened, two points of a level
// line clicked in the Schräglage tab, "Mit kippdreh drehen". Reports the
// renderer's peak resident memory against the picture's size, and whether
// the console showed progress before the turn ended. On demand, not a test:
//   node bench/deskmemory.js [angle in hundredths of a degree, e.g. 150]
// (bench/page builds the picture; the page's tools come from build/page).
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const { openPage, openPicture, screenPoint } = require('../tests/messtisch/support.js');
const { rendererMemory } = require('./renderermemory.js');

const MiB = 1048576;
const hundredths = Number(process.argv[2] || 150);

async function main() {
  const source = path.resolve(__dirname, '../build/bench/P12000.BMP');
  if (!fs.existsSync(source)) throw new Error(`${source} is missing: bench/page makes it`);
  const folder = fs.mkdtempSync(path.join(require('node:os').tmpdir(), 'desk-memory-'));
  const file = path.join(folder, 'SCAN.BMP');
  fs.copyFileSync(source, file);
  const size = fs.statSync(file).size;
  const { browser, page } = await openPage();
  let peak = 0;
  const watch = setInterval(() => { peak = Math.max(peak, rendererMemory()); }, 50);
  try {
    const before = rendererMemory();
    await openPicture(page, file);
    const opened = rendererMemory();
    await page.keyboard.press('k');
    // two clicks 6000 pixels apart, about the middle, on a line that falls by the angle
    const a = hundredths / 100 * Math.PI / 180, dx = Math.round(3000 * Math.cos(a)), dy = Math.round(3000 * Math.sin(a));
    for (const [x, y] of [[6000 - dx, 4500 - dy], [6000 + dx, 4500 + dy]]) {
      const at = await screenPoint(page, x, y);
      await page.keyboard.down('Alt');
      await page.mouse.click(at.x, at.y);
      await page.keyboard.up('Alt');
    }
    const started = Date.now();
    let progressAt = null;
    await page.click('#kippung-drehen');
    const poll = setInterval(async () => {
      const shown = await page.textContent('#kippung-lauf pre.konsole').catch(() => '');
      if (progressAt === null && /\.\./.test(shown || '')) progressAt = Date.now() - started;
    }, 100);
    await page.waitForFunction(() => document.getElementById('bild-angaben').textContent.startsWith('SCAN-GERADE.BMP'),
                               null, { timeout: 600000 });
    clearInterval(poll);
    const seconds = (Date.now() - started) / 1000;
    const command = await page.textContent('#kippung-lauf').catch(() => '');
    console.log(`12000 x 9000 (${(size / MiB).toFixed(0)} MiB), ${(command.match(/kippdreh [^\n]*?g=[-\d.]+/) || ['?'])[0]}`);
    console.log(`renderer before the picture ${(before / MiB).toFixed(0)} MiB, with it open ${(opened / MiB).toFixed(0)} MiB, ` +
                `peak ${(peak / MiB).toFixed(0)} MiB = ${(peak / size).toFixed(2)} x the picture`);
    console.log(`turn ${seconds.toFixed(1)} s; first progress dots shown after ${progressAt === null ? 'none' : (progressAt / 1000).toFixed(1) + ' s'}`);
  } finally {
    clearInterval(watch);
    await browser.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

main().catch((e) => { console.error(e); process.exit(1); });
