// The tilt commands against kippdreh itself: the sign of each form and the
// angle that kippdreh reports for the shift forms.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, runTool, tempFolder, openPage, openPicture, clickPixel } = require('./support');

// two clicks, the straightening angle in degrees as kippdreh prints it
const cases = [
  { name: 'a vertical line leaning right at the bottom turns clockwise', clicks: [[100, 40], [106, 260]], omega: '1.56' },
  { name: 'the same line clicked bottom first', clicks: [[106, 260], [100, 40]], omega: '1.56' },
  { name: 'a vertical line leaning left at the bottom turns anticlockwise', clicks: [[106, 40], [100, 260]], omega: '-1.56' },
  { name: 'a horizontal line lower at the right turns anticlockwise', clicks: [[20, 100], [380, 109]], omega: '-1.43' },
  { name: 'a horizontal line higher at the right turns clockwise', clicks: [[20, 109], [380, 100]], omega: '1.43' },
];

test('tilt commands', async (t) => {
  const folder = tempFolder('kippung');
  fs.writeFileSync(path.join(folder, 'schief.bmp'), makeBmp(400, 300, (x, y) => [(x * 5) % 256, (y * 3) % 256, 90]));
  const { browser, page } = await openPage();
  try {
    await openPicture(page, path.join(folder, 'schief.bmp'));
    await page.keyboard.press('k');
    await page.keyboard.press('1');
    for (const c of cases) { // the third click starts a new pair
      await t.test(c.name, async () => {
        for (const [x, y] of c.clicks) await clickPixel(page, x, y);
        assert.strictEqual(await page.textContent('code[data-form=g]'), 'kippdreh schief.bmp g=' + c.omega);
        for (const form of ['x', 'y']) {
          const command = await page.textContent(`code[data-form=${form}]`);
          const run = runTool('kippdreh', command.split(' ').slice(1), folder);
          const told = /Omega=(-?[0-9.]+)/.exec(run.output)[1];
          assert.ok((await page.textContent('#kippung-ergebnis')).includes(`${command} → Omega=${told} Grad`), command);
          // the shift form turns the same way as the angle, by about as much
          assert.ok(Math.abs(Number(told) - Number(c.omega)) < 0.3, `${command}: ${told}`);
        }
      });
    }
  } finally {
    await browser.close();
  }
});
