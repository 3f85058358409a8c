// The measuring desk in a real browser, through the real tools: a tilted,
// framed map is straightened, framed with bars and rectified twice; control
// points clicked on it are calibrated by messkart; an .INF file is laid over
// it. Each step checks what the page shows and saves. The three tests run in
// this order and share the rectified map.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, readBmp, runTool, tempFolder, openPage, openPicture, clickPixel, drawn, download, fitted } = require('./support');

const FRAME = [120, 0, 0];
const same = (a, b) => a[0] === b[0] && a[1] === b[1] && a[2] === b[2];
const pictures = process.env.MESSTISCH_PICTURES; // folder for the guide's screenshots, when set

// A map sheet: paper, a frame line two pixels wide, grey grid lines inside,
// coloured specks outside the frame as a scan's margin would have.
function mapSheet(x, y) {
  const inFrame = x >= 80 && x <= 799 && y >= 60 && y <= 619;
  if ((x === 80 || x === 81 || x === 798 || x === 799) && y >= 60 && y <= 619) return FRAME;
  if ((y === 60 || y === 61 || y === 618 || y === 619) && x >= 80 && x <= 799) return FRAME;
  if (inFrame && ((x - 80) % 120 === 0 || (y - 60) % 112 === 0)) return [90, 90, 90];
  if (inFrame) return [215 + (x * 7 + y * 3) % 30, 230, 200 + (x + y) % 40];
  return (x * 31 + y * 17) % 23 === 0 ? [30, 60, 150] : [250, 248, 240];
}

// First frame pixel from the left in row y, or from the top in column x.
function frameFromLeft(pic, y) { for (let x = 0; x < pic.width; x++) if (same(pic.at(x, y), FRAME)) return x; return -1; }
function frameFromRight(pic, y) { for (let x = pic.width - 1; x >= 0; x--) if (same(pic.at(x, y), FRAME)) return x; return -1; }
function frameFromTop(pic, x) { for (let y = 0; y < pic.height; y++) if (same(pic.at(x, y), FRAME)) return y; return -1; }
function frameFromBottom(pic, x) { for (let y = pic.height - 1; y >= 0; y--) if (same(pic.at(x, y), FRAME)) return y; return -1; }

const load = (folder, name) => readBmp(fs.readFileSync(path.join(folder, name)));
const omegaOf = (output) => /Omega=(-?[0-9.]+)/.exec(output)[1];

async function shot(page, name) {
  if (!pictures) return;
  await drawn(page);
  await page.screenshot({ path: path.join(pictures, name) });
}

async function clickLine(page, key, pixels) {
  await page.check(`input[name=linie][value=${key}]`);
  // each point where it is clicked: Alt, no tracing and no snapping
  for (const [x, y] of pixels) await clickPixel(page, x, y, 'Alt');
}

// The saved picture equals its input except in pixels that turned pure blue.
function changedOnlyToBlue(before, after) {
  assert.strictEqual(after.bytes.length, before.bytes.length);
  let changed = 0;
  for (let i = 0; i < before.bytes.length; i++) {
    if (before.bytes[i] === after.bytes[i]) continue;
    const inPixels = i >= before.dataOffset && (i - before.dataOffset) % before.rowBytes < 3 * before.width;
    assert.ok(inPixels, `byte ${i} outside the pixels changed`);
    const start = i - ((i - before.dataOffset) % before.rowBytes) % 3;
    assert.deepStrictEqual([...after.bytes.subarray(start, start + 3)], [255, 0, 0], `byte ${i} changed to a colour other than blue`);
    changed++;
  }
  return changed;
}

let rectified = null; // the folder in which the chain left karte.bmp

test('a tilted framed map is straightened, framed and rectified from the desk through kippdreh and glattzug', async () => {
  const folder = tempFolder('kette');
  fs.writeFileSync(path.join(folder, 'blatt.bmp'), makeBmp(880, 680, mapSheet));
  assert.strictEqual(runTool('kippdreh', ['blatt.bmp', 'g=-1.5'], folder).status, 0);
  fs.renameSync(path.join(folder, 'BLATT.TMP'), path.join(folder, 'scan.bmp'));
  const { browser, page, problems } = await openPage();
  try {
    // Tilt: two clicks on the left frame line.
    await openPicture(page, path.join(folder, 'scan.bmp'));
    await page.keyboard.press('k');
    await page.keyboard.press('1');
    const scan = load(folder, 'scan.bmp'), top = 120, bottom = 600;
    await clickPixel(page, frameFromLeft(scan, top), top, 'Alt');
    await clickPixel(page, frameFromLeft(scan, bottom), bottom, 'Alt');
    await shot(page, '6-messtisch-schraeglage.png');
    const g = await page.textContent('code[data-form=g]');
    assert.match(g, /^kippdreh scan\.bmp g=1\.[3-7]\d$/);
    assert.match(await page.textContent('#kegel-warnung'), /Kegelprojektion/);
    const x = await page.textContent('code[data-form=x]');
    const xRun = runTool('kippdreh', x.split(' ').slice(1), tempCopy(folder, 'scan.bmp'));
    assert.ok((await page.textContent('#kippung-ergebnis')).includes('Omega=' + omegaOf(xRun.output) + ' Grad'));
    assert.strictEqual(runTool('kippdreh', g.split(' ').slice(1), folder).status, 0);
    fs.renameSync(path.join(folder, 'SCAN.TMP'), path.join(folder, 'gerade.bmp'));
    const straight = load(folder, 'gerade.bmp');
    assert.ok(Math.abs(frameFromLeft(straight, top + 10) - frameFromLeft(straight, bottom + 10)) <= 2, 'frame still tilted');

    // Bars for the h run, clicked along the left and right frame lines.
    await openPicture(page, path.join(folder, 'gerade.bmp'));
    await page.keyboard.press('b');
    await page.keyboard.press('1');
    const rows = [100, 360, 620];
    await clickLine(page, 'left', rows.map((y) => [frameFromLeft(straight, y), y]));
    await clickPixel(page, 30, 400, 'Alt'); // a stray click, taken back
    assert.match(await page.textContent('#linienwahl'), /linke Rahmenlinie \(4 Punkte\)/);
    await page.keyboard.press('Control+z');
    assert.match(await page.textContent('#linienwahl'), /linke Rahmenlinie \(3 Punkte\)/);
    await clickLine(page, 'right', rows.map((y) => [frameFromRight(straight, y), y]));
    await shot(page, '7-messtisch-balken.png');
    const barred = readBmp(fs.readFileSync(await download(page, '#balken-speichern', folder)));
    assert.ok(changedOnlyToBlue(straight, barred) > 2 * 80 * straight.height);
    for (const y of [0, straight.height - 1]) {
      assert.deepStrictEqual(barred.at(0, y), [0, 0, 255], 'black corner left uncovered');
      assert.deepStrictEqual(barred.at(straight.width - 1, y), [0, 0, 255]);
    }
    for (const y of rows) assert.deepStrictEqual(barred.at(frameFromLeft(straight, y), y), FRAME);
    const hCommand = await page.textContent('#glattzug-befehl');
    assert.strictEqual(hCommand, 'glattzug gerade-balken-h.bmp h');
    assert.strictEqual(runTool('glattzug', hCommand.split(' ').slice(1), folder).status, 0);
    fs.renameSync(path.join(folder, 'GERADE-BALKEN-H.TMP'), path.join(folder, 'karte-h.bmp'));

    // Bars for the v run with the latitudes of their edges.
    const rowsDone = load(folder, 'karte-h.bmp');
    await openPicture(page, path.join(folder, 'karte-h.bmp'));
    await page.keyboard.press('1');
    await page.check('input[name=lauf][value=v]');
    const columns = [100, 450, 800];
    await clickLine(page, 'top', columns.map((x) => [x, frameFromTop(rowsDone, x)]));
    await clickLine(page, 'bottom', columns.map((x) => [x, frameFromBottom(rowsDone, x)]));
    await page.fill('#bg-oben', '55');
    await page.fill('#bg-unten', '47,5');
    assert.match(await page.textContent('#breiten-fehler'), /Dezimalpunkt statt Komma/);
    await page.fill('#bg-unten', '47.5');
    await download(page, '#balken-speichern', folder);
    await shot(page, '8-messtisch-balken-v.png');
    const vCommand = await page.textContent('#glattzug-befehl');
    assert.strictEqual(vCommand, 'glattzug karte-h-balken-v.bmp v 47.5 55');
    const vRun = runTool('glattzug', vCommand.split(' ').slice(1), folder);
    assert.match(vRun.output, /Entzerrung vertikal hyperbolisch/);
    fs.renameSync(path.join(folder, 'KARTE-H-BALKEN-V.TMP'), path.join(folder, 'karte.bmp'));
    assert.deepStrictEqual(problems, []);
    rectified = folder;
  } finally {
    await browser.close();
  }
});

test('control points on the rectified map give the .INF file that messkart writes, and a typo is marked', async () => {
  const folder = rectified;
  assert.ok(folder, 'the map was not rectified');
  const { browser, page, problems } = await openPage();
  try {
    assert.ok(await page.evaluate(() => window.Messtisch.modules().PageTools.available()), 'the page\'s tools are not built (scripts/build-page-tools)');
    // Five control points, the fourth with a typo in its latitude; the last
    // one is placed with the keyboard's crosshair.
    await openPicture(page, path.join(folder, 'karte.bmp'));
    await page.keyboard.press('p');
    await page.keyboard.press('1');
    const karte = load(folder, 'karte.bmp');
    const points = [[60, 50], [800, 60], [90, 640], [820, 600], [440, 330]].map(([px, py], i) => {
      const [lon, lat] = coordinatesOf(px, py, karte.width, karte.height);
      return [px, py, i % 3 === 1 ? packed(lon) : lon.toFixed(5), lat.toFixed(5)];
    });
    points[3][3] = (Number(points[3][3]) + 1).toFixed(5); // the typo: one degree off
    for (const [px, py, lon, lat] of points.slice(0, 4)) {
      await clickPixel(page, px, py, 'Alt');
      await page.fill('#punkt-laenge', lon);
      await page.fill('#punkt-breite', lat);
      await page.press('#punkt-breite', 'Enter');
    }
    await clickPixel(page, 440, 320, 'Alt');
    await page.keyboard.press('Escape');
    for (let i = 0; i < 10; i++) await page.keyboard.press('Shift+ArrowDown');
    await page.keyboard.press('Enter');
    assert.match(await page.textContent('#punkt-pixel'), /x=440 y=330/);
    await page.fill('#punkt-laenge', points[4][2]);
    await page.fill('#punkt-breite', points[4][3]);
    await page.fill('#punkt-name', 'Mitte');
    await page.press('#punkt-name', 'Enter');
    await fitted(page);
    await shot(page, '9-messtisch-punkte.png');
    const rowsMarked = await page.$$eval('#punkt-tabelle tbody tr', (trs) => trs.map((tr) => tr.classList.contains('ausreisser')));
    assert.deepStrictEqual(rowsMarked, [false, false, false, true, false]);
    const shown = await page.textContent('#inf-vorschau');
    // named as the picture, so that messkart's .INF file is the picture's
    assert.strictEqual(await page.inputValue('#messdatei-name'), 'karte.TXT');
    await download(page, '#messdatei-speichern', folder);
    const calibration = runTool('messkart', ['karte.TXT'], folder);
    assert.strictEqual(calibration.status, 0, calibration.output);
    assert.strictEqual(fs.readFileSync(path.join(folder, 'karte.INF'), 'latin1'), shown.replace(/\n/g, '\r\n'));

    // The measurement file opened again: its typo corrected, messkart agrees again.
    await page.setInputFiles('#mess-datei', path.join(folder, 'karte.TXT'));
    await page.waitForSelector('#punkt-tabelle tbody tr:nth-child(5)');
    await fitted(page);
    await page.click('#punkt-tabelle tbody tr:nth-child(4)');
    assert.strictEqual(await page.inputValue('#punkt-breite'), points[3][3]);
    await page.fill('#punkt-breite', (Number(points[3][3]) - 1).toFixed(5));
    await page.press('#punkt-breite', 'Enter');
    await fitted(page);
    assert.strictEqual(await page.locator('#punkt-tabelle tr.ausreisser').count(), 0);
    const corrected = await page.textContent('#inf-vorschau');
    await download(page, '#messdatei-speichern', folder);
    assert.strictEqual(runTool('messkart', ['karte.TXT'], folder).status, 0);
    assert.strictEqual(fs.readFileSync(path.join(folder, 'karte.INF'), 'latin1'), corrected.replace(/\n/g, '\r\n'));
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

// The sheet's frame runs from 10 to 12 degrees east and from 47.5 to 55
// degrees north; after the two glattzug runs longitudes are even in x and the
// hyperbolic sine of the latitude is even in y.
function coordinatesOf(x, y, width, height) {
  const S = (degrees) => Math.sinh(degrees * Math.PI / 180);
  const lat = Math.asinh(S(55) + (S(47.5) - S(55)) * y / (height - 1)) * 180 / Math.PI;
  return [10 + 2 * x / (width - 1), lat];
}

// Degrees as DDMMSS, to the nearest second.
function packed(degrees) {
  const seconds = Math.round(degrees * 3600), two = (n) => String(n).padStart(2, '0');
  return two(Math.floor(seconds / 3600)) + two(Math.floor(seconds / 60) % 60) + two(seconds % 60);
}

test('an .INF file shows its graticule over the map', async () => {
  const folder = rectified;
  assert.ok(folder, 'the map was not rectified');
  const karte = load(folder, 'karte.bmp');
  const lines = [[50, 40], [860, 60], [70, 680], [840, 650]].map(([x, y]) => {
    const [lon, lat] = coordinatesOf(x, y, karte.width, karte.height);
    return `${x} ${lon.toFixed(5)} ${y} ${lat.toFixed(5)}`;
  });
  const header = String(karte.width).padStart(4, '0') + ' ' + String(karte.height).padStart(4, '0');
  fs.writeFileSync(path.join(folder, 'netz.txt'), [header, ...lines, ''].join('\r\n'), 'latin1');
  assert.strictEqual(runTool('messkart', ['netz.txt'], folder).status, 0);
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, path.join(folder, 'karte.bmp'));
    await page.keyboard.press('1');
    await page.setInputFiles('#inf-datei', path.join(folder, 'netz.INF'));
    await page.waitForSelector('#inf-ergebnis p >> text=netz.INF');
    await drawn(page);
    await shot(page, '10-messtisch-inf.png');
    // a pixel of the meridian at 11 degrees turns violet
    const [a, b] = fs.readFileSync(path.join(folder, 'netz.INF'), 'latin1').split('\r\n').map(Number);
    const colour = await page.evaluate(([a, b]) => {
      const view = window.Messtisch.view, x = a * 11 + b + 0.5;
      const sx = Math.floor((x - view.left) * view.scale), sy = Math.floor((300 - view.top) * view.scale);
      return [...view.context.getImageData(sx, sy, 1, 1).data];
    }, [a, b]);
    assert.ok(colour[0] > 150 && colour[1] < 80 && colour[2] > 150, 'no meridian at 11 degrees: ' + colour);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

function tempCopy(folder, name) {
  const copy = tempFolder('kopie');
  fs.copyFileSync(path.join(folder, name), path.join(copy, name));
  return copy;
}
