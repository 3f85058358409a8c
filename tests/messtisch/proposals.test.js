// The proposals panel of the Punkte tab: the coordinate forms it writes
// (in node), and in the browser with the real mouse and keyboard the grid's
// steps shown and corrected, a question instead of proposals, taking and
// dropping by the distance from the fit, one form per column, crossings on
// the picture's edge, and the view left as the user had it.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { tempFolder, openPage, openPicture, screenPoint, fitted } = require('./support');
const { makeMap } = require('./synthmap');
const { AngleText } = require('./desklib');
const { deskReport } = require('./pagetools/deskfit');

test('a crossing written packed or decimal reads back as its angle', async () => {
  const written = [];
  const third = 49 + 50 / 60;
  for (const [degrees, packed, decimal] of [
    [third, '495000', '49.833333333333336'], [6, '060000', '6.0'], [-0.5, '-003000', '-0.5'],
    [149.5, '1493000', '149.5'], [12 + 7.5 / 3600, '120007.5 is no field', '12.002083333333333'], [0, '000000', '0.0'],
  ]) {
    const wholeSeconds = !packed.includes(' ');
    assert.strictEqual(AngleText.angleIn('packed', degrees), wholeSeconds ? packed : decimal, `${degrees} packed`);
    assert.strictEqual(AngleText.angleIn('decimal', degrees), decimal, `${degrees} decimal`);
    written.push(`${written.length} ${decimal} 0 ${written.length}.0`);
    if (wholeSeconds) assert.ok(Math.abs(AngleText.degreesOf(packed) - degrees) < 1e-12, packed);
  }
  // every decimal form a field messkart reads, as longitude and latitude
  const read = await deskReport('0100 0100\r\n' + written.join('\r\n') + '\r\n', true);
  assert.deepStrictEqual([read.problems, read.points.map((p) => p.longitude)], [{}, [third, 6, -0.5, 149.5, 12 + 7.5 / 3600, 0]]);
  assert.strictEqual(Number('49.833333333333336'), 179400 / 3600); // the double nearest to 49°50′
  assert.strictEqual(AngleText.formatOf(['080000', '12.0', '160000']), 'packed');
  assert.strictEqual(AngleText.formatOf(['8.0', '12.5', '160000']), 'decimal');
  assert.strictEqual(AngleText.formatOf(['8.0', '160000']), 'packed');
  assert.deepStrictEqual(['30', '7,5', "10'", '1°', '2.5°', '', 'x', '0'].map(AngleText.stepOf), [0.5, 0.125, 1 / 6, 1, 2.5, NaN, NaN, NaN]);
  assert.deepStrictEqual([0.5, 1, 1 / 6, 2, 1.5].map(AngleText.stepText), ['30′', '1°', '10′', '2°', '90′']);
  assert.deepStrictEqual(['3', ' 2,5 ', '0', '', '-1', '3 px'].map(AngleText.limitOf), [3, 2.5, 0, NaN, NaN, NaN]);
});

test('the fit puts a typed coordinate where its points lie, with the WGS shift applied as to them', async () => {
  const fit = await deskReport('0100 0100\r\nWGS 3600 0\r\n10 5.0 20 50.0\r\n30 7.0 40 52.0\r\n');
  for (const [lon, lat, x, y] of [[5, 50, 10, 20], [7, 52, 30, 40], [6, 50, 20, 20], [4, 52, 0, 40]]) {
    const at = fit.pixelOf(lon, lat);
    assert.ok(Math.abs(at.x - x) < 1e-9 && Math.abs(at.y - y) < 1e-9, `${lon} ${lat}: ${at.x} ${at.y}`);
  }
});

const rows = (page, table) => page.$$eval(`#${table} tbody tr`, (r) => r.map((row) => [...row.cells].map((c) => c.textContent)));
const status = (page) => page.textContent('#status-meldung');
const viewOf = (page) => page.evaluate(() => { const v = window.Messtisch.view; return [v.scale, v.left, v.top]; });
const searched = (page) => page.waitForFunction(() => document.getElementById('status-meldung').textContent !== 'Kreuzungen werden gesucht …');

async function typeInto(page, field, text) {
  await page.click(field, { clickCount: 3 });
  await page.keyboard.press('Backspace');
  await page.keyboard.type(text);
  await page.keyboard.press('Enter');
}

// a limit halfway between two distances of the table, from about share of
// them on, with room on both sides: it splits the proposals with none on it
function limitBetween(distances, share) {
  const sorted = [...new Set(distances)].sort((a, b) => a - b);
  let k = Math.floor(share * (sorted.length - 1));
  while (sorted[k + 1] - sorted[k] < 0.02) k++;
  return Math.round(500 * (sorted[k] + sorted[k + 1])) / 1000;
}

async function clickImage(page, x, y) {
  const at = await screenPoint(page, x, y);
  await page.mouse.move(at.x, at.y);
  await page.mouse.click(at.x, at.y);
}

test('the proposals panel', async (t) => {
  const folder = tempFolder('vorschlag');
  const flat = makeMap({ kind: 'cylinder', turn: 0, seed: 9, noise: 4 });
  fs.writeFileSync(path.join(folder, 'zylinder.bmp'), flat.bmp);
  const { browser, page, problems } = await openPage();
  const node = (lon, lat) => flat.crossings.find((c) => c.lon === lon && c.lat === lat);
  try {
    await openPicture(page, path.join(folder, 'zylinder.bmp'));
    await page.keyboard.press('p');
    await page.keyboard.press('0');
    // longitude typed packed twice, decimal once; latitude decimal
    for (const [lon, lat, lonText] of [[8, 53, '080000'], [16, 53, '160000'], [12, 48, '12.0']]) {
      const c = node(lon, lat);
      await clickImage(page, Math.round(c.x) + 1, Math.round(c.y) - 1); // beside it: the click snaps
      await page.keyboard.type(lonText);
      await page.focus('#punkt-breite');
      await page.keyboard.type(lat + '.0');
      await page.keyboard.press('Enter');
    }
    await page.evaluate(() => {
      window.stepsAsked = [];
      const original = window.Messtisch.modules().Lines.readGraticule;
      window.realReading = original;
      window.Messtisch.modules().Lines.readGraticule = (typed, crossings, step) => { window.stepsAsked.push(step || null); return original(typed, crossings, step); };
    });
    const whole = await viewOf(page);

    await t.test('the steps found are shown, the whole sheet stays in view, one form per column', async () => {
      assert.deepStrictEqual([await page.inputValue('#schritt-laenge'), await page.inputValue('#schritt-breite')], ['', '']);
      await page.click('#kreuzungen-vorschlagen');
      await page.waitForSelector('#vorschlaege:not([hidden])');
      assert.deepStrictEqual([await page.inputValue('#schritt-laenge'), await page.inputValue('#schritt-breite')], ['60', '60']);
      assert.match(await page.textContent('#vorschlaege-kopf'), /^Gradnetz alle 1° Länge, 1° Breite: \d+ Kreuzungen vorgeschlagen, 0 weiter als 3 Pixel/);
      assert.deepStrictEqual(await viewOf(page), whole);
      await fitted(page);
      const proposed = await rows(page, 'vorschlag-tabelle');
      assert.ok(proposed.length >= 80, String(proposed.length));
      for (const [, x, y, lon, lat] of proposed) {
        assert.match(lon, /^\d{6}$/);
        assert.match(lat, /^\d\d\.0$/);
        const truth = node(Number(lon.slice(0, 2)) + Number(lon.slice(2, 4)) / 60, Number(lat));
        assert.ok(truth && Math.hypot(Number(x) - truth.x, Number(y) - truth.y) <= 1, `${x} ${y} ${lon} ${lat}`);
      }
      assert.deepStrictEqual(await page.evaluate(() => window.stepsAsked), [null]);
    });

    await t.test('a step corrected in its field is the one the detection is asked with, the zoom the user had kept', async () => {
      await page.focus('#buehne');
      for (let i = 0; i < 4; i++) await page.keyboard.press('+');
      const zoomed = await viewOf(page);
      await typeInto(page, '#schritt-breite', '30');
      await searched(page);
      assert.deepStrictEqual(await page.evaluate(() => window.stepsAsked.pop()), { longitude: 1, latitude: 0.5 });
      assert.deepStrictEqual(await viewOf(page), zoomed);
      await typeInto(page, '#schritt-breite', '');
      await typeInto(page, '#schritt-laenge', '');
      await searched(page);
      assert.strictEqual(await page.evaluate(() => window.stepsAsked.pop()), null);
      await page.focus('#buehne');
      await page.keyboard.press('0');
    });

    await t.test('each distance is the one the .INF preview gives; Alle übernehmen takes the near ones and says how many stay', async () => {
      await fitted(page);
      const [a, b, c, d] = (await page.textContent('#inf-vorschau')).split('\n').slice(0, 4).map(Number);
      const proposed = await rows(page, 'vorschlag-tabelle');
      for (const [, x, y, lon, lat, shown] of proposed.slice(0, 10)) {
        const lonDegrees = Number(lon.slice(0, 2)) + Number(lon.slice(2, 4)) / 60;
        const px = a * lonDegrees + b, py = c * Math.sinh(Number(lat) * Math.PI / 180) + d;
        const distance = Math.hypot(px - Math.round(Number(x)), py - Math.round(Number(y)));
        assert.ok(Math.abs(distance - Number(shown)) < 0.01, `${shown} against ${distance}`);
      }
      const limit = limitBetween(proposed.map((r) => Number(r[5])), 0.5);
      const near = proposed.filter((r) => Number(r[5]) <= limit);
      await page.fill('#vorschlag-grenze', String(limit));
      assert.strictEqual(await page.textContent('#vorschlaege-fern'), `Alle über ${limit} Pixel verwerfen`);
      await page.click('#vorschlaege-alle');
      const left = proposed.length - near.length;
      assert.strictEqual(await status(page), `${near.length} Vorschläge als Passpunkte übernommen; ${left} liegen weiter als ${limit} Pixel vom Ausgleich und bleiben in der Liste.`);
      await fitted(page);
      const table = await rows(page, 'punkt-tabelle');
      assert.strictEqual(table.length, 3 + near.length);
      assert.deepStrictEqual(table.slice(3).map((r) => [r[2], r[3], r[4], r[5]]), near.map((r) => [String(Math.round(Number(r[1]))), String(Math.round(Number(r[2]))), r[3], r[4]]));
      assert.strictEqual((await rows(page, 'vorschlag-tabelle')).length, left);
      assert.match(await page.textContent('#messdatei-text'), new RegExp(`\n${table[3][2]} ${near[0][3]} ${table[3][3]} ${near[0][4]}\n`));
    });

    await t.test('alle über N Pixel verwerfen drops the far ones in one action', async () => {
      await fitted(page);
      const proposed = await rows(page, 'vorschlag-tabelle'), limit = limitBetween(proposed.map((r) => Number(r[5])), 0.3);
      const near = proposed.filter((r) => Number(r[5]) <= limit).map((r) => r.slice(1, 5));
      await page.fill('#vorschlag-grenze', String(limit));
      await page.click('#vorschlaege-fern');
      assert.strictEqual(await status(page), `${proposed.length - near.length} Vorschläge weiter als ${limit} Pixel vom Ausgleich verworfen, ${near.length} bleiben.`);
      await fitted(page);
      assert.deepStrictEqual((await rows(page, 'vorschlag-tabelle')).map((r) => r.slice(1, 5)), near);
      await page.fill('#vorschlag-grenze', '3');
      await page.click('#vorschlaege-verwerfen');
    });

    await t.test('steps in doubt: the question instead of proposals, until the steps are confirmed', async () => {
      await page.evaluate(() => {
        window.stepsAsked = [];
        window.Messtisch.modules().Lines.readGraticule = (typed, crossings, step) => (window.stepsAsked.push(step), step ? {
          ok: true, step, fromPoints: null, fromLines: null, question: null, proposals: [{ x: 100, y: 100, longitude: 5, latitude: 54 }] } : {
          ok: true, step: { longitude: 1, latitude: 1 / 6 }, fromPoints: { longitude: 1, latitude: 1 }, fromLines: { longitude: 1, latitude: 1 / 6 },
          question: 'Die Breitenkreise liegen dichter, als die Punkte sagen.', proposals: [] });
      });
      await page.click('#kreuzungen-vorschlagen');
      await page.waitForSelector('#schritte-frage:not([hidden])');
      assert.strictEqual(await page.textContent('#schritte-frage-text'), 'Die Breitenkreise liegen dichter, als die Punkte sagen. ' +
        'Aus den Punkten: 1° Länge, 1° Breite; aus den Linien: 1° Länge, 10′ Breite. Bitte die Schritte oben prüfen oder berichtigen und bestätigen.');
      assert.deepStrictEqual([await page.inputValue('#schritt-laenge'), await page.inputValue('#schritt-breite')], ['60', '10']);
      assert.strictEqual(await page.isVisible('#vorschlaege'), false);
      await page.fill('#schritt-breite', '1°');
      await page.click('#schritte-bestaetigen');
      await page.waitForSelector('#vorschlaege:not([hidden])');
      assert.strictEqual(await page.isVisible('#schritte-frage'), false);
      assert.match(await page.textContent('#vorschlaege-kopf'), /^Gradnetz alle 1° Länge, 1° Breite: 1 Kreuzungen vorgeschlagen/);
      assert.deepStrictEqual(await page.evaluate(() => window.stepsAsked.pop()), { longitude: 1, latitude: 1 });
      await page.click('#vorschlaege-verwerfen');
      await typeInto(page, '#schritt-breite', '');
      await typeInto(page, '#schritt-laenge', '');
    });

    await t.test('crossings on the first and last row and column are listed and taken there; Tab, V and J', async () => {
      const [w, h] = [1500, 1000];
      await page.evaluate(([w, h]) => {
        window.Messtisch.modules().Lines.readGraticule = () => ({ ok: true, step: { longitude: 1, latitude: 1 }, fromPoints: null, fromLines: null, question: null,
          proposals: [{ x: 0.3, y: 500, longitude: 4, latitude: 50 }, { x: w - 0.4, y: h - 0.2, longitude: 20, latitude: 46 }, { x: 700, y: 0, longitude: 11, latitude: 55 }] });
      }, [w, h]);
      await page.click('#kreuzungen-vorschlagen');
      await page.waitForSelector('#vorschlaege:not([hidden])');
      await fitted(page);
      assert.deepStrictEqual((await rows(page, 'vorschlag-tabelle')).map((r) => r.slice(1, 5)),
        [['0.30', '500.00', '040000', '50.0'], [(w - 0.4).toFixed(2), (h - 0.2).toFixed(2), '200000', '46.0'], ['700.00', '0.00', '110000', '55.0']]);
      const before = (await rows(page, 'punkt-tabelle')).length;
      await page.focus('#buehne');
      for (const key of ['Tab', 'j', 'v', 'j']) await page.keyboard.press(key);
      await fitted(page);
      const table = await rows(page, 'punkt-tabelle');
      assert.deepStrictEqual(table.slice(before).map((r) => r.slice(2, 6)), [[String(w - 1), String(h - 1), '200000', '46.0'], ['0', '500', '040000', '50.0']]);
      assert.strictEqual(await page.isVisible('#vorschlaege'), false);
      await page.evaluate(() => { window.Messtisch.modules().Lines.readGraticule = window.realReading; });
    });
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
