// The .INF panel's export for GIS programs in a real browser: the two files
// the page saves are the ones passnetz writes for the same picture and .INF.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { blankBmp, runTool, tempFolder, openPage, openPicture, download } = require('./support');

test('the .INF panel saves the .vrt and .points files that passnetz writes', async () => {
  const folder = tempFolder('gis'), program = tempFolder('gis-programm');
  const inf = '31.2417\r\n-173.9506\r\n-1084.8802\r\n1221.2497\r\n320\r\n240\r\nGPS\r\n';
  for (const where of [folder, program]) {
    fs.writeFileSync(path.join(where, 'Karte-HV.bmp'), blankBmp(330, 240).bytes);
    fs.writeFileSync(path.join(where, 'Karte-HV.INF'), inf, 'latin1');
  }
  const run = runTool('passnetz', ['Karte-HV.bmp'], program);
  assert.strictEqual(run.status, 0, run.output);
  assert.match(run.output, /Warnung: die \.INF-Datei nennt 320 x 240 Pixel/);
  const { browser, page, problems } = await openPage();
  try {
    await page.click('#reiter-inf');
    await page.click('#vrt-speichern');
    assert.match(await page.textContent('#status-meldung'), /Zuerst eine \.INF-Datei öffnen\./);
    await openPicture(page, path.join(folder, 'Karte-HV.bmp'));
    await page.setInputFiles('#inf-datei', path.join(folder, 'Karte-HV.INF'));
    await page.waitForSelector('#inf-ergebnis p >> text=Karte-HV.INF');
    fs.rmSync(path.join(folder, 'Karte-HV.INF'));
    const vrt = await download(page, '#vrt-speichern', folder);
    assert.strictEqual(path.basename(vrt), 'Karte-HV.vrt');
    assert.match(await page.textContent('#status-meldung'),
      /^Karte-HV\.vrt gespeichert: \d+ Passpunkte, WGS 84 \(EPSG:4326\)\. Warnung: die \.INF-Datei nennt 320 x 240/);
    const points = await download(page, '#points-speichern', folder);
    assert.strictEqual(path.basename(points), 'Karte-HV.bmp.points');
    for (const name of ['Karte-HV.vrt', 'Karte-HV.bmp.points']) {
      assert.strictEqual(fs.readFileSync(path.join(folder, name), 'latin1'), fs.readFileSync(path.join(program, name), 'latin1'), name);
    }
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
