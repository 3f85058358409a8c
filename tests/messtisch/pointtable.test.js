// The control-point table as users of georeferencing programs expect it, and
// the measurement file never silently wrong: a bad entry marks its row while
// the others stay fitted and the file is refused; cells are edited in place;
// a point switched off stays in the table but leaves the fit and the file;
// rows sort by residual; choosing a row shows its point; residual arrows with
// their scale; RMS in x, y and together; CSV out and in; a picture wider or
// higher than 9999 pixels gets no measurement file.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, runTool, tempFolder, openPage, openPicture, clickPixel, drawn, download, fitted } = require('./support');

const pictures = process.env.MESSTISCH_PICTURES; // folder for the guide's screenshots, when set
const folder = tempFolder('tabelle');
const map = path.join(folder, 'blatt.bmp');
fs.writeFileSync(map, makeBmp(900, 700, (x, y) => (x % 150 === 0 || y % 140 === 0 ? [60, 60, 60] : [240, 235, 220 - (x + y) % 30])));

// The sheet runs from 10 to 13 degrees east, 52 down to 50 degrees north.
const S = (degrees) => Math.sinh(degrees * Math.PI / 180);
const lonOf = (x) => (10 + x / 300).toFixed(5);
const latOf = (y) => (Math.asinh(S(52) + (S(50) - S(52)) * y / 700) * 180 / Math.PI).toFixed(5);

const tableRows = (page) => page.$$eval('#punkt-tabelle tbody tr[data-punkt]', (trs) => trs.map((tr) =>
  ({ cells: [...tr.querySelectorAll('td')].map((td) => td.textContent), classes: [...tr.classList] })));

async function addPoint(page, x, y, lon, lat) {
  await clickPixel(page, x, y);
  await page.fill('#punkt-laenge', lon);
  await page.fill('#punkt-breite', lat);
  await page.press('#punkt-breite', 'Enter');
}

async function editCell(page, row, column, text) {
  const cell = page.locator(`#punkt-tabelle tbody tr:nth-child(${row}) td:nth-child(${column})`);
  await cell.click();
  await page.keyboard.press('Control+a');
  await page.keyboard.type(text);
  await page.keyboard.press('Enter');
}

test('the point table: bad rows, editing in place, switching off, sorting, arrows, CSV', async () => {
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, map);
    await page.keyboard.press('p');
    await page.keyboard.press('1');
    const places = [[60, 50], [820, 80], [100, 640], [780, 610]];
    for (const [x, y] of places) await addPoint(page, x, y, lonOf(x), latOf(y));
    await fitted(page);
    assert.match(await page.textContent('#ausreisser-regel'), /^Ausreißerprüfung: Rot wird der Punkt markiert, ohne den/);
    // a fifth point with a longitude that is no angle of the file
    await addPoint(page, 450, 330, '12', latOf(330));
    await fitted(page);
    let rows = await tableRows(page);
    assert.deepStrictEqual(rows.map((r) => r.classes.includes('fehlerhaft')), [false, false, false, false, true]);
    assert.ok(await page.isVisible('#inf-vorschau'), 'the fit of the good rows is gone');
    assert.match(await page.textContent('#ausgleich'), /Punkt 5: Länge „12“ ist kein Winkel der Messdatei/);
    await page.click('#messdatei-speichern');
    assert.strictEqual(await page.textContent('#status-meldung'),
      'Messdatei nicht gespeichert: Punkt 5 ist fehlerhaft. Bitte berichtigen, ausschalten oder löschen.');
    // edited in place: a comma, then the right value
    await editCell(page, 5, 5, '8,0');
    await fitted(page);
    assert.match(await page.textContent('#ausgleich'), /Punkt 5: Länge „8,0“ ist kein Winkel der Messdatei \(Dezimalpunkt statt Komma\)/);
    await editCell(page, 5, 5, (Number(lonOf(450)) + 0.2).toFixed(5)); // a typo of 60 pixels
    await editCell(page, 5, 7, 'Turm Süd');
    await fitted(page);
    rows = await tableRows(page);
    assert.deepStrictEqual(rows[4].cells.slice(2, 7), ['450', '330', (Number(lonOf(450)) + 0.2).toFixed(5), latOf(330), 'Turm_Süd']);
    assert.deepStrictEqual(rows.map((r) => r.classes.includes('ausreisser')), [false, false, false, false, true]);
    assert.match(await page.textContent('#streuung'), /^Streuung \(RMS\): x \d+\.\d\d, y \d+\.\d\d, zusammen \d+\.\d\d Pixel\.$/);
    // the table fits its column at 1600 x 1000
    const widths = await page.evaluate(() => {
      const side = document.getElementById('seitenleiste'), table = document.getElementById('punkt-tabelle');
      const head = table.querySelector('th[data-sortieren]');
      return [side.scrollWidth <= side.clientWidth, table.getBoundingClientRect().right <= side.getBoundingClientRect().right,
              head.scrollWidth <= head.clientWidth];
    });
    assert.deepStrictEqual(widths, [true, true, true]);
    // sorted by residual, the typo comes first
    await page.click('#punkt-tabelle th[data-sortieren]');
    await fitted(page);
    rows = await tableRows(page);
    assert.strictEqual(rows[0].cells[1], '5');
    const distances = rows.map((r) => Number(r.cells[9]));
    assert.deepStrictEqual(distances, [...distances].sort((a, b) => b - a));
    // residual arrows with their scale
    await drawn(page);
    const factor = await page.evaluate(() => window.Messtisch.view.arrowFactor);
    assert.ok(factor > 0 && /^[125]0*$|^0\.0*[125]$/.test(String(factor)), 'arrow factor ' + factor);
    assert.deepStrictEqual(await page.evaluate(() => [0, 1e-11, 0.3].map((largest) => window.Messtisch.modules().ResidualArrows.legend(largest, 2).text)),
      [...Array(2).fill('Alle Abweichungen unter 0.05 Pixel: keine Pfeile'), '= 0.2 Pixel Abweichung (100-fach)']);
    await fitted(page);
    assert.ok(await page.$eval('#punkt-tabelle th[data-sortieren]', (th) => th.scrollWidth <= th.clientWidth), 'sort mark cut off');
    if (pictures) {
      await page.evaluate(() => window.Messtisch.modules().Desk.say(''));
      await page.keyboard.press('Escape');
      await page.keyboard.press('0');
      await page.screenshot({ path: path.join(pictures, '11-messtisch-tabelle.png') });
    }
    // switched off: still in the table, out of the fit and the file
    await page.locator('#punkt-tabelle tbody tr[data-punkt="4"] input[type=checkbox]').uncheck();
    await fitted(page);
    rows = await tableRows(page);
    assert.strictEqual(rows.length, 5);
    assert.ok(rows[rows.findIndex((r) => r.cells[1] === '5')].classes.includes('aus'));
    assert.strictEqual(await page.locator('#punkt-tabelle tr.ausreisser').count(), 0);
    const text = await page.textContent('#messdatei-text');
    assert.deepStrictEqual(text.split('\n').filter((l) => l !== ''), ['0900 0700',
      ...places.map(([x, y]) => `${x} ${lonOf(x)} ${y} ${latOf(y)}`)]);
    const shown = await page.textContent('#inf-vorschau');
    await page.fill('#messdatei-name', 'blatt.txt');
    await fitted(page);
    await download(page, '#messdatei-speichern', folder);
    assert.strictEqual(runTool('messkart', ['blatt.txt'], folder).status, 0);
    assert.strictEqual(fs.readFileSync(path.join(folder, 'blatt.INF'), 'latin1'), shown.replace(/\n/g, '\r\n'));
    // choosing a row puts its point in the middle, zoomed in
    await page.click('#punkt-tabelle tbody tr[data-punkt="2"] td:nth-child(2)');
    const middle = await page.evaluate(() => {
      const v = window.Messtisch.view;
      return [Math.floor(v.left + v.canvas.width / 2 / v.scale), Math.floor(v.top + v.canvas.height / 2 / v.scale), v.scale];
    });
    assert.deepStrictEqual(middle.slice(0, 2), [100, 640]);
    assert.ok(middle[2] >= 2);
    // from the keyboard: a row that Tab reaches is chosen with Eingabe
    await page.focus('#punkt-tabelle tbody tr[data-punkt="0"]');
    await page.keyboard.press('Enter');
    assert.match(await page.textContent('#punkt-pixel'), /^x=60 y=50 \(Punkt 1\)$/);
    // CSV out, UTF-8 with named columns
    const csv = fs.readFileSync(await download(page, '#csv-speichern', folder), 'utf8').replace(/^\ufeff/, '').split('\r\n');
    assert.strictEqual(csv[0], 'x,y,laenge,breite,name,an,dx,dy,abstand');
    assert.match(csv[5], /^450,330,11\.70000,51\.\d+,Turm_Süd,0,,,$/);
    assert.match(csv[1], /^60,50,10\.20000,51\.\d+,,1,-?\d+\.\d\d,-?\d+\.\d\d,\d+\.\d\d$/);
    // CSV in: three points, below the outlier check's four; in their own order
    await page.click('#punkt-tabelle th[data-sortieren]');
    fs.writeFileSync(path.join(folder, 'drei.csv'), 'name;x;y;breite;laenge\r\nKirche Nord;100;100;' + latOf(100) + ';' + lonOf(100) +
      '\r\nMühle;800;120;' + latOf(120) + ';' + lonOf(800) + '\r\nBrücke;500;650;' + latOf(650) + ';' + lonOf(500) + '\r\n', 'utf8');
    await page.setInputFiles('#csv-datei', path.join(folder, 'drei.csv'));
    await page.waitForFunction(() => document.querySelectorAll('#punkt-tabelle tbody tr[data-punkt]').length === 3);
    await fitted(page);
    rows = await tableRows(page);
    assert.deepStrictEqual(rows.map((r) => r.cells.slice(2, 7)), [
      ['100', '100', lonOf(100), latOf(100), 'Kirche_Nord'], ['800', '120', lonOf(800), latOf(120), 'Mühle'],
      ['500', '650', lonOf(500), latOf(650), 'Brücke']]);
    assert.strictEqual(await page.textContent('#ausreisser-regel'), 'Ab vier Punkten prüft der Messtisch auf Ausreißer; mit 3 Punkten noch nicht.');
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('a picture wider or higher than 9999 pixels gets no measurement file', async () => {
  const { browser, page, problems } = await openPage();
  page.on('dialog', (dialog) => dialog.accept()); // the unsaved points of the picture before
  try {
    const csv = path.join(folder, 'punkte.csv');
    fs.writeFileSync(csv, 'x,y,laenge,breite\n10,2,10.0,52.0\n9000,17,11.0,51.9\n4000,10,10.5,51.95\n');
    for (const [width, height, refused] of [[9999, 20, false], [10000, 20, true], [20, 10000, true]]) {
      const file = path.join(folder, `${width}x${height}.bmp`);
      fs.writeFileSync(file, makeBmp(width, height, () => [200, 200, 200]));
      await openPicture(page, file);
      await page.setInputFiles('#csv-datei', csv);
      await page.waitForFunction(() => document.getElementById('status-meldung').textContent === 'punkte.csv geöffnet.');
      if (!refused) {
        await fitted(page);
        assert.match(await page.textContent('#inf-vorschau'), new RegExp(`\\n${width}\\n${height}\\n$`));
        assert.match(await page.textContent('#messdatei-text'), new RegExp(`^${width} 00${height}\\n`));
        continue;
      }
      assert.strictEqual(await page.textContent('#zu-gross'), `Das Bild ist ${width} x ${height} Pixel groß. Die Messdatei ` +
        'und das Format des Kartenbetrachters fassen höchstens 9999 Pixel in jeder Richtung; messkart läse hier falsche ' +
        'Werte. Verkleinern Sie den Scan oder zerschneiden Sie ihn in Blätter von höchstens 9999 x 9999 Pixeln. Bis dahin ' +
        'wird keine Messdatei gespeichert.');
      assert.strictEqual(await page.locator('#inf-vorschau').count(), 0);
      assert.strictEqual(await page.textContent('#messdatei-text'), '');
      let downloaded = false;
      page.once('download', () => { downloaded = true; });
      await page.click('#messdatei-speichern');
      await page.waitForTimeout(300);
      assert.strictEqual(downloaded, false);
      assert.match(await page.textContent('#status-meldung.fehler'), /höchstens 9999 Pixel/);
    }
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

// A German spreadsheet's CSV (semicolons, decimal commas) opens with its
// columns where they belong; one point set 8 pixels wrong is the only one more
// than 4 pixels off, and one action switches it off, undone as one change. A
// file with a row that cannot be read says which row and why.
test('a semicolon CSV with decimal commas, and switching off every point above N pixels at once', async () => {
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, map);
    await page.keyboard.press('p');
    const german = (text) => text.replace('.', ',');
    const places = [[60, 50], [840, 60], [450, 330], [70, 640], [820, 650], [300, 200]];
    const lines = places.map(([x, y], i) => [i === 5 ? x + 8 : x, y, german(lonOf(x)), german(latOf(y)), 'P' + (i + 1)].join(';'));
    const csv = path.join(folder, 'tabelle.csv');
    fs.writeFileSync(csv, 'x;y;laenge;breite;name\r\n' + lines.join('\r\n') + '\r\n');
    await page.setInputFiles('#csv-datei', csv);
    await page.waitForFunction(() => document.querySelectorAll('#punkt-tabelle tbody tr[data-punkt]').length === 6);
    await fitted(page);
    let rows = await tableRows(page);
    assert.deepStrictEqual(rows[0].cells.slice(2, 7), ['60', '50', lonOf(60), latOf(50), 'P1']);
    const distances = rows.map((r) => Number(r.cells[9]));
    assert.ok(distances[5] > 4 && distances.slice(0, 5).every((d) => d < 4), String(distances));
    await page.fill('#aus-ueber', '4');
    await page.click('#aus-ueber-knopf');
    assert.strictEqual(await page.textContent('#status-meldung'), '1 Punkt mit Abstand über 4 Pixel ausgeschaltet.');
    await fitted(page);
    rows = await tableRows(page);
    assert.deepStrictEqual(rows.map((r) => r.classes.includes('aus')), [false, false, false, false, false, true]);
    await page.click('#aus-ueber-knopf');
    assert.strictEqual(await page.textContent('#status-meldung'), 'Kein eingeschalteter Punkt liegt weiter als 4 Pixel ab.');
    await page.keyboard.press('Control+z');
    await fitted(page);
    rows = await tableRows(page);
    assert.deepStrictEqual(rows.map((r) => r.classes.includes('aus')), [false, false, false, false, false, false]);
    await page.fill('#aus-ueber', 'fünf');
    await page.click('#aus-ueber-knopf');
    assert.strictEqual(await page.textContent('#status-meldung'), '„fünf“ ist keine Zahl von Pixeln.');
    // a row of the other dialect: named with its line, the points as they were
    fs.writeFileSync(csv, 'x;y;laenge;breite\r\n60;50;10,2;51,9\r\n840,60,12.8,51.9\r\n');
    await page.setInputFiles('#csv-datei', csv);
    await page.waitForFunction(() => /nicht lesen/.test(document.getElementById('status-meldung').textContent));
    assert.strictEqual(await page.textContent('#status-meldung'),
      'tabelle.csv: Diese Zeile lässt sich nicht lesen: Zeile 3 (nur 1 Feld, gebraucht 4). Die Datei ist nicht geöffnet.');
    await fitted(page);
    assert.strictEqual((await tableRows(page)).length, 6);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
