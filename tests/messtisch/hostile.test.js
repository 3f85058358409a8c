// Files that would freeze the page: an .INF file whose intercept is
// -100000000000000000000 gets its graticule refused and the page keeps
// zooming; a measurement file of 20,000 lines opens with the first rows in
// the table, a note, and the fit of them all; a page without its built tools
// says so in the Punkte tab and in the status line, and still sets points.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { root, makeBmp, tempFolder, openPage, openPicture, clickPixel } = require('./support');

const folder = tempFolder('feindlich');
const map = path.join(folder, 'blatt.bmp');
fs.writeFileSync(map, makeBmp(800, 600, (x, y) => [200, (x + y) % 256, 180]));

test('a graticule that would need countless lines is refused and the page stays usable', async () => {
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, map);
    const inf = path.join(folder, 'wild.INF');
    fs.writeFileSync(inf, '300.0000\r\n-100000000000000000000.0000\r\n-2000.0000\r\n1600.0000\r\n800\r\n600\r\n', 'latin1');
    await page.setInputFiles('#inf-datei', inf);
    await page.waitForSelector('#netz-abgelehnt', { timeout: 5000 });
    assert.match(await page.textContent('#netz-abgelehnt'), /^Dieses Gradnetz wird nicht gezeichnet: es bräuchte mehr als 2000 Linien/);
    for (const key of ['+', '+', '-', '0']) {
      const before = await page.textContent('#status-zoom');
      await page.keyboard.press(key);
      await page.waitForFunction((b) => document.getElementById('status-zoom').textContent !== b, before, { timeout: 2000 });
    }
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('20,000 points open with a short table, a note and the fit of them all', async () => {
  const lines = ['0800 0600'];
  for (let i = 0; i < 20000; i++) {
    const x = (i * 37) % 800, y = (i * 53) % 600;
    lines.push(`${x} ${(10 + x / 300).toFixed(5)} ${y} ${(52 - y / 350).toFixed(5)}`);
  }
  const file = path.join(folder, 'lang.txt');
  fs.writeFileSync(file, lines.join('\r\n') + '\r\n', 'latin1');
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, map);
    await page.setInputFiles('#mess-datei', file);
    await page.waitForSelector('#punkt-tabelle td.hinweis');
    assert.strictEqual(await page.textContent('#punkt-tabelle td.hinweis'),
      'Die Tabelle zeigt die ersten 2000 von 20000 Punkten; gerechnet wird mit allen.');
    assert.strictEqual(await page.locator('#punkt-tabelle tbody tr[data-punkt]').count(), 2000);
    await page.waitForSelector('#inf-vorschau', { timeout: 120000 });
    assert.match(await page.textContent('#inf-vorschau'), /\n800\n600\n$/);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('a page copied without the tools compiled for it says so once, and the points can still be set', async () => {
  const copy = tempFolder('ohne-werkzeuge');
  fs.cpSync(path.join(root, 'messtisch'), path.join(copy, 'messtisch'), { recursive: true });
  const { browser, page, problems } = await openPage('file://' + path.join(copy, 'messtisch', 'index.html'));
  try {
    const missing = await page.evaluate(() => window.Messtisch.modules().PageTools.missing);
    await openPicture(page, map);
    const file = path.join(folder, 'punkte.txt');
    fs.writeFileSync(file, '0800 0600\r\n100 10.0 100 52.0\r\n700 12.0 500 51.0\r\n', 'latin1');
    await page.setInputFiles('#mess-datei', file);
    await page.waitForFunction((m) => document.getElementById('status-meldung').textContent === m, missing);
    await page.keyboard.press('p');
    await page.keyboard.press('1');
    await clickPixel(page, 50, 40, 'Alt');
    await page.fill('#punkt-laenge', '10.0');
    await page.fill('#punkt-breite', '52.0');
    await page.press('#punkt-breite', 'Enter');
    await page.waitForSelector('#ausgleich:not([aria-busy])', { state: 'attached' });
    assert.strictEqual(await page.locator('#punkt-tabelle tbody tr[data-punkt]').count(), 1);
    assert.deepStrictEqual(await page.$$eval('#ausgleich p.fehler', (ps) => ps.map((p) => p.textContent)), [missing]);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

// A page whose copy lost a script: the modules that need it do not start,
// and the status line names the missing one and who needs it.
test('a missing script is named in the status line', async () => {
  const copy = tempFolder('unvollstaendig');
  fs.cpSync(path.join(root, 'messtisch'), copy, { recursive: true });
  const page = path.join(copy, 'index.html');
  fs.writeFileSync(page, fs.readFileSync(page, 'utf8').replace('<script src="js/frame.js"></script>\n', ''));
  const opened = await openPage('file://' + page);
  try {
    const line = await opened.page.textContent('#status-meldung');
    assert.match(line, /^Der Messtisch ist unvollständig: Das Modul Frame fehlt \(gebraucht von (TabTilt, TabBars|TabBars, TabTilt)\)\.$/);
    assert.strictEqual(await opened.page.getAttribute('#status-meldung', 'class'), 'fehler');
    assert.deepStrictEqual(opened.problems.map((p) => p.replace(/^Error: /, '')), [line.replace('Der Messtisch ist unvollständig: ', '')]);
  } finally {
    await opened.browser.close();
  }
});
