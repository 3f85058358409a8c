// Opening pictures: one the tools cannot take is refused with its reason, one
// dropped on the page opens like a chosen one, and a large one is shown at
// once (the time from choosing a 6000 x 4500 file of 81 MB to its first
// frame is measured and reported, not judged).
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { blankBmp, tempFolder, openPage } = require('./support');

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
