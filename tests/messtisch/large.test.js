// Opening pictures: one the tools cannot take is refused with its reason, one
// dropped on the page opens like a chosen one, and a large one is shown at
// once (the time from choosing a 6000 x 4500 file of 81 MB to its first
// frame is measured and reported, not judged).
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { blankBmp, tempFolder, openPage, drawn } = require('./support');

// Every row alike, so that a picture of scan size is made quickly.
function largeBmp(width, height) {
  const { bytes, rowBytes } = blankBmp(width, height);
  const row = Buffer.alloc(rowBytes);
  for (let x = 0; x < width; x++) row.writeUIntLE(((x * 37) & 0xffff) | (x % 200 < 4 ? 0xff0000 : 0), 3 * x, 3);
  for (let y = 0; y < height; y++) row.copy(bytes, 54 + rowBytes * y);
  return bytes;
}

test('pictures that the tools cannot take are refused with the reason', async () => {
  const folder = tempFolder('abgelehnt');
  const good = largeBmp(40, 30);
  const cases = [
    ['tief.bmp', Buffer.concat([good.subarray(0, 28), Buffer.from([32, 0]), good.subarray(30)]), /32 Bit je Pixel/],
    ['kurz.bmp', good.subarray(0, good.length - 200), /kürzer, als ihr Kopf/],
    ['text.bmp', Buffer.from('kein Bild, nur Text, aber lang genug fuer einen Kopf von 54 Byte.'), /kein BMP-Bild/],
  ];
  const { browser, page } = await openPage();
  try {
    for (const [name, bytes, reason] of cases) {
      fs.writeFileSync(path.join(folder, name), bytes);
      await page.setInputFiles('#bild-datei', path.join(folder, name));
      await page.waitForSelector('#status-meldung.fehler >> text=' + name);
      assert.match(await page.textContent('#status-meldung'), reason);
    }
  } finally {
    await browser.close();
  }
});

test('a picture dropped on the page is opened', async () => {
  const { browser, page, problems } = await openPage();
  try {
    const bytes = [...largeBmp(30, 20)];
    const transfer = await page.evaluateHandle((bytes) => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(bytes)], 'gezogen.bmp', { type: 'image/bmp' }));
      return data;
    }, bytes);
    await page.dispatchEvent('#buehne', 'drop', { dataTransfer: transfer });
    await page.waitForSelector('body[data-bild="30x20"]');
    assert.match(await page.textContent('#status-meldung'), /^gezogen\.bmp geöffnet: 30 x 20 Pixel/);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('a 6000 x 4500 picture is shown', async (t) => {
  const file = path.join(tempFolder('gross'), 'gross.bmp');
  fs.writeFileSync(file, largeBmp(6000, 4500));
  const { browser, page, problems } = await openPage();
  try {
    const started = Date.now();
    await page.setInputFiles('#bild-datei', file);
    await page.waitForSelector('body[data-bild="6000x4500"]', { timeout: 60000 });
    const shown = Date.now() - started;
    const inPage = await page.evaluate(() => document.body.dataset.ladezeit);
    t.diagnostic(`6000 x 4500 (81 MB) shown ${shown} ms after choosing the file (${inPage} ms from reading to the first frame)`);
    console.log(`messtisch: 6000 x 4500 picture shown in ${shown} ms`);
    await page.hover('#leinwand', { position: { x: 300, y: 200 } });
    assert.match(await page.textContent('#status-pixel'), /^x=\d+ y=\d+ {2}Farbe \d+,\d+,\d+/);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
    fs.rmSync(path.dirname(file), { recursive: true, force: true });
  }
});

test('in the whole-picture view of a wide picture, lines 3 pixels wide stay unbroken lines', async () => {
  const { bytes, rowBytes } = blankBmp(8000, 1000);
  const paper = Buffer.alloc(rowBytes), line = Buffer.alloc(rowBytes);
  for (let x = 0; x < 8000; x++) {
    paper.writeUIntLE(x % 500 < 3 ? 0x202020 : 0xe8f0f4, 3 * x, 3);
    line.writeUIntLE(0x202020, 3 * x, 3);
  }
  for (let y = 0; y < 1000; y++) (y % 500 < 3 ? line : paper).copy(bytes, 54 + rowBytes * (999 - y));
  const file = path.join(tempFolder('linien'), 'linien.bmp');
  fs.writeFileSync(file, bytes);
  const { browser, page, problems } = await openPage();
  try {
    await page.setInputFiles('#bild-datei', file);
    await page.waitForSelector('body[data-bild="8000x1000"]');
    await page.waitForFunction(() => window.Messtisch.view.overview.levels.length >= 4);
    await drawn(page);
    // for each line, every screen row (or column) across the picture keeps a dark pixel
    const light = await page.evaluate(() => {
      const view = window.Messtisch.view, p = view.picture, frame = view.context.getImageData(0, 0, view.canvas.width, view.canvas.height);
      const dark = (sx, sy) => frame.data[4 * (sy * frame.width + sx)] < 100;
      const screen = (x, y) => [Math.floor((x - view.left) * view.scale), Math.floor((y - view.top) * view.scale)];
      const [left, top] = screen(0, 0), [right, bottom] = screen(p.width, p.height);
      const counts = [];
      for (let x = 500; x < p.width; x += 500) {
        const [from] = screen(x, 0), [to] = screen(x + 3, 0);
        let gaps = 0;
        for (let sy = top + 1; sy < bottom - 1; sy++) {
          let any = false;
          for (let sx = from; sx <= to; sx++) any = any || dark(sx, sy);
          if (!any) gaps++;
        }
        counts.push(gaps);
      }
      for (const y of [500]) {
        const [, from] = screen(0, y), [, to] = screen(0, y + 3);
        let gaps = 0;
        for (let sx = left + 1; sx < right - 1; sx++) {
          let any = false;
          for (let sy = from; sy <= to; sy++) any = any || dark(sx, sy);
          if (!any) gaps++;
        }
        counts.push(gaps);
      }
      return counts;
    });
    assert.deepStrictEqual(light, new Array(16).fill(0));
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
