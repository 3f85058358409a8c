// The evening's work survives: a reload asks first, and the same picture
// opened again offers its bars, points, latitudes and tab back; opening
// another picture (also by mistake through ".INF öffnen…") asks before the
// unsaved work goes, and another picture is offered nothing.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, tempFolder, openPage, openPicture, clickPixel, download, fitted } = require('./support');

const folder = tempFolder('behalten');
const map = path.join(folder, 'blatt.bmp'), other = path.join(folder, 'anderes.bmp');
fs.writeFileSync(map, makeBmp(600, 400, (x, y) => [(x * 3) % 256, (y * 2) % 256, 120]));
fs.writeFileSync(other, makeBmp(600, 400, (x, y) => [(x * 3) % 256, (y * 2) % 256, 121]));

const barCount = async (page) => /obere Rahmenlinie \((\d+) Punkte\)/.exec(await page.textContent('#linienwahl'))[1];
// The map opened and a first point of its upper bar set in mode v: unsaved work.
async function mapWithOneBarPoint(page) {
  await openPicture(page, map);
  await page.keyboard.press('b');
  await page.keyboard.press('1');
  await page.check('input[name=lauf][value=v]');
  await clickPixel(page, 100, 20);
}
const rows = (page) => page.$$eval('#punkt-tabelle tbody tr[data-punkt]', (trs) => trs.map((tr) =>
  [...tr.querySelectorAll('td')].slice(2, 7).map((td) => td.textContent)));

test('a reload asks, and the same picture opened again offers its work back', async () => {
  const { browser, page, problems } = await openPage();
  const dialogs = [];
  page.on('dialog', (dialog) => { dialogs.push(dialog.type()); dialog.accept(); });
  try {
    await mapWithOneBarPoint(page);
    await clickPixel(page, 400, 24);
    await page.fill('#bg-unten', '47.5');
    await page.fill('#bg-oben', '55');
    await page.click('#reiter-punkte');
    await clickPixel(page, 300, 200);
    await page.fill('#punkt-laenge', '132436');
    await page.fill('#punkt-breite', '52.5');
    await page.fill('#punkt-name', 'Kirche');
    await page.press('#punkt-name', 'Enter');
    await page.reload();
    assert.deepStrictEqual(dialogs, ['beforeunload']);
    await openPicture(page, map);
    await page.waitForSelector('#wiederherstellen:not([hidden])');
    assert.match(await page.textContent('#wiederherstellen-text'), /blatt\.bmp.*2 Balkenpunkte, 1 Passpunkte/);
    await page.click('#wiederherstellen-ja');
    assert.strictEqual(await page.$eval('#reiter [aria-selected=true]', (b) => b.dataset.reiter), 'punkte');
    await fitted(page);
    assert.deepStrictEqual(await rows(page), [['300', '200', '132436', '52.5', 'Kirche']]);
    await page.keyboard.press('b');
    assert.strictEqual(await page.isChecked('input[name=lauf][value=v]'), true);
    assert.strictEqual(await barCount(page), '2');
    assert.deepStrictEqual([await page.inputValue('#bg-unten'), await page.inputValue('#bg-oben')], ['47.5', '55']);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('a picture opened over unsaved work asks first; declined, the work stays', async () => {
  const { browser, page, problems } = await openPage();
  const dialogs = [];
  let answer = false;
  page.on('dialog', (dialog) => { dialogs.push(dialog.message()); if (answer) dialog.accept(); else dialog.dismiss(); });
  try {
    await mapWithOneBarPoint(page);
    // the wrong button: a picture chosen where an .INF file belongs
    await page.setInputFiles('#inf-datei', other);
    await page.waitForFunction(() => /nicht geöffnet/.test(document.getElementById('status-meldung').textContent));
    assert.match(dialogs[0], /Die Arbeit an blatt\.bmp ist noch nicht als Datei gespeichert\. anderes\.bmp trotzdem öffnen\?/);
    assert.match(await page.textContent('#bild-angaben'), /^blatt\.bmp: /);
    assert.strictEqual(await barCount(page), '1');
    answer = true;
    await page.setInputFiles('#bild-datei', other);
    await page.waitForFunction(() => document.getElementById('bild-angaben').textContent.startsWith('anderes.bmp'));
    assert.strictEqual(dialogs.length, 2);
    assert.strictEqual(await page.isHidden('#wiederherstellen'), true, 'work of another picture offered');
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

// The work of one picture never shows in another: opened over A's work,
// B's table, file preview, saved file, bars, latitudes and tilt clicks are
// empty, and A opened again gets all of its own work back.
const tabWork = (page, tab) => page.evaluate((name) => window.Messtisch.modules().Desk.tab(name).save(), tab);
for (const source of ['clicked', 'csv']) {
  test(`another picture starts from nothing, and the first gets its work back (points ${source})`, async () => {
    const { browser, page, problems } = await openPage();
    page.on('dialog', (dialog) => dialog.accept());
    try {
      await mapWithOneBarPoint(page);
      await page.fill('#bg-unten', '47.5');
      await page.fill('#bg-oben', '55');
      await page.click('#reiter-kippung');
      await clickPixel(page, 50, 300);
      await clickPixel(page, 550, 305);
      await page.click('#reiter-punkte');
      if (source === 'clicked') {
        await clickPixel(page, 410, 314);
        await page.fill('#punkt-laenge', '9.0');
        await page.fill('#punkt-breite', '50.0');
        await page.press('#punkt-breite', 'Enter');
      } else {
        const csv = path.join(folder, 'vier.csv');
        fs.writeFileSync(csv, 'x,y,laenge,breite,name\n10,20,6.0,49.5,A\n590,20,7.0,49.5,B\n10,380,6.0,48.5,C\n590,380,7.0,48.5,D\n');
        await page.setInputFiles('#csv-datei', csv);
      }
      await page.waitForSelector('#punkt-tabelle tbody tr[data-punkt]');
      await fitted(page);
      const aRows = await rows(page), aFile = await page.textContent('#messdatei-text');
      assert.strictEqual(aRows.length, source === 'clicked' ? 1 : 4);

      await openPicture(page, other);
      await page.click('#reiter-punkte');
      await fitted(page);
      assert.deepStrictEqual(await rows(page), []);
      assert.strictEqual(await page.textContent('#messdatei-text'), '0600 0400\n');
      const saved = await download(page, '#messdatei-speichern', folder);
      assert.strictEqual(path.basename(saved), 'anderes.TXT');
      assert.strictEqual(fs.readFileSync(saved, 'latin1'), '0600 0400\r\n');
      assert.strictEqual((await tabWork(page, 'kippung')).clicks.length, 0);
      const bars = await tabWork(page, 'balken');
      assert.deepStrictEqual([bars.lines.top.length, bars.run, bars.latitudes], [0, 'h', ['', '']]);
      assert.strictEqual(await page.isHidden('#wiederherstellen'), true);

      await openPicture(page, map);
      await page.waitForSelector('#wiederherstellen:not([hidden])');
      await page.click('#wiederherstellen-ja');
      await page.click('#reiter-punkte');
      await fitted(page);
      assert.deepStrictEqual(await rows(page), aRows);
      assert.strictEqual(await page.textContent('#messdatei-text'), aFile);
      assert.deepStrictEqual((await tabWork(page, 'kippung')).clicks, [{ x: 50, y: 300 }, { x: 550, y: 305 }]);
      const back = await tabWork(page, 'balken');
      assert.deepStrictEqual([back.lines.top.length, back.run, back.latitudes], [1, 'v', ['47.5', '55']]);
      assert.deepStrictEqual(problems, []);
    } finally {
      await browser.close();
    }
  });
}

// Work kept before each tab handed over its own (bars, latitudes and points
// side by side in the record) is still offered and restored.
test('work kept in the older record is offered and restored', async () => {
  const { Fingerprint } = require('./desklib');
  const key = 'messtisch-arbeit:' + Fingerprint.of(fs.readFileSync(map));
  const record = {
    name: 'blatt.bmp', width: 600, height: 400, tab: 'balken', stored: '2026-01-02T03:04:05.000Z',
    bars: { lines: { left: [], right: [], top: [{ x: 100, y: 20 }, { x: 400, y: 24 }], bottom: [] }, run: 'v' },
    points: { fileName: 'blatt.TXT', doc: { width: 600, height: 400, comments: [], wgs: null, gps: false,
      points: [{ x: 300, y: 200, longitude: '132436', latitude: '52.5', name: 'Kirche', off: false }] } },
    latitudes: ['47.5', '55'],
  };
  const { browser, page, problems } = await openPage();
  try {
    await page.evaluate(([k, v]) => localStorage.setItem(k, v), [key, JSON.stringify(record)]);
    await openPicture(page, map);
    await page.waitForSelector('#wiederherstellen:not([hidden])');
    assert.match(await page.textContent('#wiederherstellen-text'), /\(blatt\.bmp\).*: 2 Balkenpunkte, 1 Passpunkte, zuletzt geändert /);
    await page.click('#wiederherstellen-ja');
    assert.strictEqual(await barCount(page), '2');
    assert.deepStrictEqual([await page.inputValue('#bg-unten'), await page.inputValue('#bg-oben')], ['47.5', '55']);
    await page.click('#reiter-punkte');
    await fitted(page);
    assert.deepStrictEqual(await rows(page), [['300', '200', '132436', '52.5', 'Kirche']]);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
