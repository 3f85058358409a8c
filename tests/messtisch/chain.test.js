// The whole chain inside the page, through the tools compiled for it, with
// the real mouse and keyboard: a tilted scan straightened by kippdreh, framed
// with bars and rectified by glattzug twice, its control points calibrated
// by messkart and its GIS files written by passnetz. Every file the page
// keeps equals the native program's on the same input and arguments, and the
// console text it shows is the program's. A refusal shows the tool's own
// message; a page without the built tools says how to build them.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { root, tools: native, blankBmp, makeBmp, readBmp, tempFolder, openPage, openPicture, screenPoint, download } = require('./support');
const { makeMap, turnedBack } = require('./synthmap');

const rad = Math.PI / 180;

// The native program on copies of the given files, in a folder of its own:
// its console text and the files it wrote.
function nativeRun(tool, args, files) {
  const folder = tempFolder('kette-nativ');
  for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(folder, name), bytes);
  const run = require('node:child_process').spawnSync(path.resolve(native[tool]), args, { cwd: folder, input: '' });
  const written = {};
  for (const name of fs.readdirSync(folder)) if (!files[name]) written[name] = fs.readFileSync(path.join(folder, name));
  return { code: run.status, console: run.stdout.toString('latin1'), files: written };
}

// What a step's box shows: the console as the tool wrote it (line ends as
// the page shows them, no bell) and its exit code.
async function shownRun(page, box) {
  await page.waitForSelector(`${box} .exitcode:not(:empty)`);
  return { console: await page.textContent(`${box} pre.konsole`), ending: await page.textContent(`${box} .exitcode`) };
}
const asShown = (text) => text.replace(/\r\n/g, '\n').replace(/\x07/g, '');

// A click at picture pixel (x, y) at the zoom shown, with Alt: as clicked.
async function altClick(page, x, y) {
  const at = await screenPoint(page, x, y);
  await page.keyboard.down('Alt');
  await page.mouse.click(at.x, at.y);
  await page.keyboard.up('Alt');
}

const saveButton = (name) => `#dateien-liste tr[data-datei="${name}"] button:text("Speichern…")`;

async function savedFromList(page, name, folder) {
  const file = await download(page, saveButton(name), folder);
  assert.strictEqual(path.basename(file), name);
  return fs.readFileSync(file);
}

async function waitForPicture(page, name) {
  await page.waitForFunction((name) => document.getElementById('bild-angaben').textContent.startsWith(name), name);
}

// Points along a side of the map, where kippdreh turned them to.
const along = (side, shares, place) => shares.map((t) => place({ x: side[0].x + t * (side[1].x - side[0].x), y: side[0].y + t * (side[1].y - side[0].y) }));

test('a tilted scan taken to the .INF and GIS files in the page gives the native chain\'s files', async () => {
  for (const tool of Object.keys(native)) assert.ok(fs.existsSync(native[tool]), `${native[tool]}: the native ${tool}`);
  const folder = tempFolder('kette'), saved = tempFolder('kette-gespeichert');
  const map = makeMap({ kind: 'cylinder', turn: 1.3, seed: 3, noise: 4 });
  fs.writeFileSync(path.join(folder, 'scan.bmp'), map.bmp);
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, path.join(folder, 'scan.bmp'));

    // Schräglage: the tilt found, the picture turned in the page.
    await page.keyboard.press('k');
    await page.click('#kippung-finden');
    await page.waitForSelector('code[data-form=g]');
    const angle = (await page.textContent('code[data-form=g]')).split(' ')[2];
    assert.match(angle, /^g=-1\.[23]\d$/);
    await page.click('#kippung-drehen');
    await waitForPicture(page, 'SCAN-GERADE.BMP');
    const turned = nativeRun('kippdreh', ['SCAN.BMP', angle], { 'SCAN.BMP': map.bmp });
    assert.strictEqual(turned.code, 0, turned.console);
    assert.deepStrictEqual(await shownRun(page, '#kippung-lauf'), { console: asShown(turned.console), ending: 'Exit-Code 0' });
    const straight = await savedFromList(page, 'SCAN-GERADE.BMP', saved);
    assert.ok(straight.equals(turned.files['SCAN.TMP']), 'SCAN-GERADE.BMP is not kippdreh\'s SCAN.TMP');
    const picture = readBmp(straight), place = turnedBack(map, picture, angle);

    // Balken h: the left and right frame lines, glattzug h on the picture with bars.
    await page.keyboard.press('b');
    await page.check('input[name=linie][value=left]');
    for (const p of along(map.sides.left, [0.1, 0.5, 0.9], place)) await altClick(page, Math.round(p.x), Math.round(p.y));
    await page.check('input[name=linie][value=right]');
    for (const p of along(map.sides.right, [0.1, 0.5, 0.9], place)) await altClick(page, Math.round(p.x), Math.round(p.y));
    await page.click('#glattzug-h');
    await waitForPicture(page, 'SCAN-GERADE-H.BMP');
    const barredH = await savedFromList(page, 'SCAN-GERADE-BALKEN-H.BMP', saved);
    const rows = nativeRun('glattzug', ['SCAN-GERADE-BALKEN-H.BMP', 'h'], { 'SCAN-GERADE-BALKEN-H.BMP': barredH });
    assert.deepStrictEqual(await shownRun(page, '#balken-lauf'), { console: asShown(rows.console), ending: 'Exit-Code ' + rows.code });
    assert.match(rows.console, /Entzerrung horizontal linear/);
    assert.doesNotMatch(rows.console, /Kein blauer Rahmen/);
    assert.ok((await savedFromList(page, 'SCAN-GERADE-H.BMP', saved)).equals(rows.files['SCAN-GERADE-BALKEN-H.TMP']));

    // Balken v with the latitudes of the frame's edges: hyperbolic.
    await page.check('input[name=lauf][value=v]');
    const width = picture.width;
    for (const key of ['top', 'bottom']) {
      await page.check(`input[name=linie][value=${key}]`);
      const y = Math.round((place(map.sides[key][0]).y + place(map.sides[key][1]).y) / 2);
      for (const share of [0.1, 0.5, 0.9]) await altClick(page, Math.round(share * width), y);
    }
    const k = 95 / (Math.cosh(50.5 * rad) * rad), latitude = (s) => (Math.asinh(Math.sinh(50.5 * rad) + s * 380 / k) / rad).toFixed(3);
    await page.fill('#bg-unten', latitude(-1));
    await page.fill('#bg-oben', latitude(1));
    await page.click('#glattzug-v');
    await waitForPicture(page, 'SCAN-GERADE-HV.BMP');
    const barredV = await savedFromList(page, 'SCAN-GERADE-H-BALKEN-V.BMP', saved);
    const columns = nativeRun('glattzug', ['SCAN-GERADE-H-BALKEN-V.BMP', 'v', latitude(-1), latitude(1)], { 'SCAN-GERADE-H-BALKEN-V.BMP': barredV });
    assert.match(columns.console, /Entzerrung vertikal hyperbolisch/);
    assert.doesNotMatch(columns.console, /Kein blauer Rahmen/);
    assert.deepStrictEqual(await shownRun(page, '#balken-lauf'), { console: asShown(columns.console), ending: 'Exit-Code ' + columns.code });
    const final = await savedFromList(page, 'SCAN-GERADE-HV.BMP', saved);
    assert.ok(final.equals(columns.files['SCAN-GERADE-H-BALKEN-V.TMP']));

    // Punkte: four control points, the measurement file saved, messkart from the Dateien panel.
    await page.keyboard.press('p');
    const karte = readBmp(final), S = (d) => Math.sinh(d * rad);
    for (const [x, y] of [[150, 120], [1300, 140], [160, 880], [1250, 860]]) {
      await altClick(page, x, y);
      const lat = Math.asinh(S(Number(latitude(1))) + (S(Number(latitude(-1))) - S(Number(latitude(1)))) * y / (karte.height - 1)) / rad;
      await page.fill('#punkt-laenge', (5 + 13.5 * x / (karte.width - 1)).toFixed(5));
      await page.fill('#punkt-breite', lat.toFixed(5));
      await page.press('#punkt-breite', 'Enter');
    }
    assert.strictEqual(await page.inputValue('#messdatei-name'), 'SCAN-GERADE-HV.TXT');
    const measured = fs.readFileSync(await download(page, '#messdatei-speichern', saved));
    await page.waitForSelector('#dateien-liste tr[data-datei="SCAN-GERADE-HV.TXT"]');
    await page.click('#dateien-liste tr[data-datei="SCAN-GERADE-HV.TXT"] button:text("messkart")');
    await page.waitForSelector('#inf-ergebnis p >> text=SCAN-GERADE-HV.INF');
    const calibration = nativeRun('messkart', ['SCAN-GERADE-HV.TXT'], { 'SCAN-GERADE-HV.TXT': measured });
    assert.strictEqual(calibration.code, 0, calibration.console);
    assert.deepStrictEqual(await shownRun(page, '#dateien-lauf'), { console: asShown(calibration.console), ending: 'Exit-Code 0' });
    assert.ok((await savedFromList(page, 'SCAN-GERADE-HV.INF', saved)).equals(calibration.files['SCAN-GERADE-HV.INF']));

    // .INF: passnetz's three files.
    const gis = nativeRun('passnetz', ['SCAN-GERADE-HV.BMP', 'SCAN-GERADE-HV.INF'],
      { 'SCAN-GERADE-HV.BMP': final, 'SCAN-GERADE-HV.INF': calibration.files['SCAN-GERADE-HV.INF'] });
    assert.strictEqual(gis.code, 0, gis.console);
    for (const [button, name] of [['#vrt-speichern', 'SCAN-GERADE-HV.vrt'], ['#points-speichern', 'SCAN-GERADE-HV.BMP.points'],
                                  ['#tif-speichern', 'SCAN-GERADE-HV.tif']]) {
      const file = await download(page, button, saved);
      assert.strictEqual(path.basename(file), name);
      assert.ok(fs.readFileSync(file).equals(gis.files[name]), name);
      assert.match(await page.textContent('#status-meldung'), new RegExp('^' + name.replace(/\./g, '\\.') + ' gespeichert: \\d+ Passpunkte, Potsdam-Datum'));
    }
    assert.deepStrictEqual(await shownRun(page, '#inf-lauf'), { console: asShown(gis.console), ending: 'Exit-Code 0' });
    const listed = await page.$$eval('#dateien-liste tbody tr', (rows) => rows.map((r) => r.dataset.datei));
    for (const name of ['SCAN-GERADE.BMP', 'SCAN-GERADE-HV.BMP', 'SCAN-GERADE-HV.TXT', 'SCAN-GERADE-HV.INF', 'SCAN-GERADE-HV.tif']) {
      assert.ok(listed.includes(name), name + ' not listed: ' + listed.join(', '));
    }
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

// A map 320 x 240 whose calibration reaches past the pole, by passnetz's reading.
const poleInf = '31.2417\r\n-173.9506\r\n-1084.8802\r\n5000.0000\r\n320\r\n240\r\n';

test('a calibration passnetz refuses shows its own message and saves nothing', async () => {
  const folder = tempFolder('kette-pol');
  const picture = blankBmp(320, 240).bytes;
  fs.writeFileSync(path.join(folder, 'Karte.bmp'), picture);
  fs.writeFileSync(path.join(folder, 'Karte.INF'), poleInf, 'latin1');
  const refused = nativeRun('passnetz', ['Karte.bmp', 'Karte.INF'], { 'Karte.bmp': picture, 'Karte.INF': Buffer.from(poleInf, 'latin1') });
  const message = refused.console.split('\r\n').find((line) => line.endsWith('\x07')).slice(0, -1);
  assert.match(message, /Pol/);
  assert.deepStrictEqual(Object.keys(refused.files), []);
  const { browser, page, problems } = await openPage();
  try {
    let downloads = 0;
    page.on('download', () => { downloads += 1; });
    await openPicture(page, path.join(folder, 'Karte.bmp'));
    await page.setInputFiles('#inf-datei', path.join(folder, 'Karte.INF'));
    await page.waitForSelector('#inf-ergebnis p >> text=Karte.INF');
    const before = await page.textContent('#inf-ergebnis');
    await page.click('#vrt-speichern');
    const shown = await shownRun(page, '#inf-lauf');
    assert.deepStrictEqual(shown, { console: asShown(refused.console), ending: `Exit-Code ${refused.code} – passnetz: ${message}` });
    assert.strictEqual(await page.textContent('#status-meldung'), `passnetz: ${message} Die Arbeit bleibt, wie sie war.`);
    assert.strictEqual(await page.getAttribute('#status-meldung', 'class'), 'fehler');
    assert.strictEqual(await page.textContent('#inf-ergebnis'), before);
    assert.strictEqual(downloads, 0);
    assert.deepStrictEqual(await page.$$eval('#dateien-liste tbody tr', (rows) => rows.length), 0);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('a page without the built tools says in one line how to build them', async () => {
  const copy = tempFolder('kette-ohne');
  fs.cpSync(path.join(root, 'messtisch'), path.join(copy, 'messtisch'), { recursive: true });
  fs.rmSync(path.join(copy, 'messtisch', 'werkzeuge'), { recursive: true, force: true });
  const folder = tempFolder('kette-ohne-bild');
  fs.writeFileSync(path.join(folder, 'Karte.bmp'), blankBmp(320, 240).bytes);
  fs.writeFileSync(path.join(folder, 'Karte.INF'), poleInf, 'latin1');
  const { browser, page, problems } = await openPage('file://' + path.join(copy, 'messtisch', 'index.html'));
  try {
    assert.strictEqual(await page.evaluate(() => window.Messtisch.modules().PageTools.available()), false);
    await openPicture(page, path.join(folder, 'Karte.bmp'));
    await page.setInputFiles('#inf-datei', path.join(folder, 'Karte.INF'));
    await page.waitForSelector('#inf-ergebnis p >> text=Karte.INF');
    await page.click('#points-speichern');
    await page.waitForSelector('#inf-lauf .exitcode:not(:empty)');
    assert.strictEqual(await page.textContent('#status-meldung'),
      'Die Werkzeuge der Seite fehlen: im Projektordner scripts/build-page-tools ausführen (oder den installierten Messtisch öffnen).');
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('PageTools.run: a fresh instance in a worker, standard input given, the console as printed, the files written or changed back', async () => {
  const small = blankBmp(61, 40).bytes;
  for (let i = 54; i < small.length; i++) small[i] = (i * 7) & 255;
  const measurement = Buffer.from('0061 0040\r\n3 8.5 2 47.336\r\n58 9.25 37 47.001\r\n', 'latin1');
  const huge = Buffer.alloc(54);
  huge.write('BM', 0, 'latin1');
  huge.writeUInt16LE(65535, 18);
  huge.writeUInt16LE(65535, 22);
  const { browser, page, problems } = await openPage();
  try {
    const runs = await page.evaluate(async ([small, measurement, huge]) => {
      const PageTools = window.Messtisch.modules().PageTools, bytes = (list) => new Uint8Array(list);
      const shown = (r) => ({ code: r.code, console: r.console, files: Object.fromEntries(Object.entries(r.files).map(([n, b]) => [n, Array.from(b)])) });
      const pieces = [];
      const picture = bytes(small);
      const turned = await PageTools.run('kippdreh', ['klein.bmp', 'g=7.5'], { 'klein.bmp': picture }, { onConsole: (t) => pieces.push(t) });
      // a stale MESS.INF handed in is written anew, MESS.TXT only read
      const calibrated = await PageTools.run('messkart', ['MESS.TXT'], { 'MESS.TXT': bytes(measurement), 'MESS.INF': bytes([97, 108, 116, 13, 10]) });
      const help = await PageTools.run('kippdreh', ['KLEIN.BMP'], {}, { input: '\r\n' });
      const refused = await PageTools.run('glattzug', ['RIESE.BMP', 'h'], { 'RIESE.BMP': bytes(huge) }).then(() => 'started', (e) => e.message);
      return { kept: Array.from(picture), turned: shown(turned), pieces, calibrated: shown(calibrated), help: shown(help), refused, inPage: PageTools.inPage };
    }, [Array.from(small), Array.from(measurement), Array.from(huge)]);
    const turned = nativeRun('kippdreh', ['klein.bmp', 'g=7.5'], { 'klein.bmp': small });
    assert.strictEqual(runs.turned.code, 0, runs.turned.console);
    assert.strictEqual(runs.turned.console, turned.console);
    assert.deepStrictEqual(Object.keys(runs.turned.files), ['KLEIN.TMP']);
    // the caller's own bytes stay whole: a copy went to the worker
    assert.ok(Buffer.from(runs.kept).equals(small), 'the picture handed in changed');
    assert.ok(Buffer.from(runs.turned.files['KLEIN.TMP']).equals(turned.files['KLEIN.TMP']));
    assert.ok(runs.pieces.length > 5, 'the console came in one piece');
    assert.strictEqual(runs.pieces.join(''), turned.console);
    // a fresh instance: nothing of the run before in its folder
    const calibrated = nativeRun('messkart', ['MESS.TXT'], { 'MESS.TXT': measurement });
    assert.deepStrictEqual(Object.keys(runs.calibrated.files), ['MESS.INF']);
    assert.ok(Buffer.from(runs.calibrated.files['MESS.INF']).equals(calibrated.files['MESS.INF']));
    assert.strictEqual(runs.calibrated.console, calibrated.console);
    // the help text read Return from the input given
    const help = require('node:child_process').spawnSync(path.resolve(native.kippdreh), ['KLEIN.BMP'], { input: '\r\n' });
    assert.deepStrictEqual([runs.help.code, runs.help.console], [1, help.stdout.toString('latin1')]);
    assert.match(runs.refused, /^Das Bild ist für den Speicher der Seite zu groß: glattzug bräuchte etwa \d+ MiB/);
    assert.deepStrictEqual(runs.inPage, {});
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('a large picture chosen from disk is read from its file there, and from the page once the file changed', async () => {
  // a scan with a red corner at the bottom left and a blue one at the top right
  const scan = (red, blue) => makeBmp(21, 14, (x, y) => (x < 4 && y > 10 ? red : x > 16 && y < 3 ? blue : [240, 240, 230]));
  const shown = scan([200, 0, 0], [0, 0, 200]), changed = scan([0, 0, 200], [200, 0, 0]);
  // 18 MB, over one of the blocks the worker reads at a time, no two rows alike
  const large = makeBmp(2600, 2300, (x, y) => [(x * 7 + y) & 255, (x ^ y) & 255, (y * 3) & 255]);
  const folder = tempFolder('kette-datei');
  fs.writeFileSync(path.join(folder, 'scan.bmp'), shown);
  fs.writeFileSync(path.join(folder, 'gross.bmp'), large);
  const sha = (bytes) => require('node:crypto').createHash('sha256').update(bytes).digest('hex');
  const expected = (name, bytes, angle) => sha(nativeRun('kippdreh', [name, angle], { [name]: bytes }).files[name.replace('.BMP', '.TMP')]);
  const { browser, page, problems } = await openPage();
  // the picture shown turned by ToolStep, or by PageTools with the Blob given
  const turn = (name, angle, blob) => page.evaluate(async ([name, angle, blob]) => {
    const { Desk, ToolStep, PageTools } = window.Messtisch.modules(), p = Desk.state.picture, files = { [name]: p.bytes };
    PageTools.limits.fromDisk = 0; // as a large one would be
    const output = name.replace('.BMP', '.TMP');
    const result = blob ? await PageTools.run('kippdreh', [name, angle], files, { onDisk: { [name]: new Blob([new Uint8Array(blob)]) } })
      : (await ToolStep.run(document.getElementById('kippung-lauf'), 'kippdreh', [name, angle], files, output)).result;
    const digest = await crypto.subtle.digest('SHA-256', result.files[output]);
    return { code: result.code, fromDisk: result.readFromDisk, turned: Array.from(new Uint8Array(digest), (b) => b.toString(16).padStart(2, '0')).join('') };
  }, [name, angle, blob]);
  try {
    await openPicture(page, path.join(folder, 'scan.bmp'));
    const runs = [[await turn('SCAN.BMP', 'g=7.5'), ['SCAN.BMP'], expected('SCAN.BMP', shown, 'g=7.5')]];
    // a file whose times did not show the change: the page's bytes are compared with pieces of it
    runs.push([await turn('SCAN.BMP', 'g=7.5', Array.from(changed)), [], runs[0][2]]);
    // the same length, the corners swapped: what the page shows is the picture turned
    fs.writeFileSync(path.join(folder, 'scan.bmp'), changed);
    runs.push([await turn('SCAN.BMP', 'g=7.5'), [], runs[0][2]]);
    await openPicture(page, path.join(folder, 'gross.bmp'));
    for (const angle of ['g=1.5', 'g=-45']) runs.push([await turn('GROSS.BMP', angle), ['GROSS.BMP'], expected('GROSS.BMP', large, angle)]);
    for (const [run, fromDisk, turned] of runs) {
      assert.deepStrictEqual([run.code, run.fromDisk], [0, fromDisk]);
      assert.strictEqual(run.turned, turned, `read ${fromDisk.length ? 'from disk' : 'from the page'}: not the picture shown, turned`);
    }
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
