// The desk doing the looking, driven with the real mouse and keyboard at
// several zooms on maps made here with the truth known: the loupe and
// snapping, the tilt found and a meridian's tilt refused, a frame line
// traced, the graticule's crossings proposed and taken, the keyboard's steps.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, readBmp, tempFolder, openPage, openPicture, screenPoint, download, fitted } = require('./support');
const { makeMap, centreAt } = require('./synthmap');

const pictures = process.env.MESSTISCH_PICTURES; // folder for the guide's screenshots, when set

// Picture position (x, y) brought to the middle of the canvas, as dragging would.
async function centreOn(page, x, y) {
  await page.evaluate(([x, y]) => { const { View, Desk } = window.Messtisch.modules(); View.centreOn(window.Messtisch.view, x, y, window.Messtisch.view.scale); Desk.redraw(); }, [x, y]);
}

async function clickImage(page, x, y, modifiers) {
  const at = await screenPoint(page, x, y);
  if (modifiers) await page.keyboard.down(modifiers);
  await page.mouse.move(at.x, at.y);
  await page.mouse.click(at.x, at.y);
  if (modifiers) await page.keyboard.up(modifiers);
}

const scale = (page) => page.evaluate(() => window.Messtisch.view.scale);
const status = (page) => page.textContent('#status-meldung');
async function zoom(page, key, presses) {
  await page.focus('#buehne');
  for (let i = 0; i < (presses || 1); i++) await page.keyboard.press(key);
}

test('the desk finds what a person finds by eye', async (t) => {
  const folder = tempFolder('suche');
  const conic = makeMap({ kind: 'conic', blur: true, turn: -0.8, seed: 5, noise: 4 });
  const flat = makeMap({ kind: 'cylinder', turn: 0, seed: 9, noise: 4 });
  fs.writeFileSync(path.join(folder, 'kegel.bmp'), conic.bmp);
  fs.writeFileSync(path.join(folder, 'zylinder.bmp'), flat.bmp);
  // a neatline down at x=300 with 70 pixels gone below y=600, frame lines across at its ends
  fs.writeFileSync(path.join(folder, 'luecke.bmp'), makeBmp(600, 1000, (x, y) =>
    (Math.abs(x - 300) <= 1 && ((y >= 50 && y <= 600) || (y >= 670 && y <= 950))) ||
    ((Math.abs(y - 50) <= 1 || Math.abs(y - 950) <= 1) && x >= 100 && x <= 500) ? [20, 20, 20] : [238, 232, 214]));
  fs.writeFileSync(path.join(folder, 'foto.bmp'), makeBmp(600, 400, (x, y) => {
    const v = 128 + 60 * Math.sin(x / 23) * Math.cos(y / 17) + 40 * Math.sin((x + y) / 41);
    return [v, v * 0.8, v * 0.6].map(Math.round);
  }));
  const { browser, page, problems } = await openPage();
  page.on('dialog', (dialog) => dialog.accept()); // another picture over unsaved work: yes
  try {
    await openPicture(page, path.join(folder, 'kegel.bmp'));

    await t.test('the tilt found within 0.05 degrees, shown with its line and commands', async () => {
      await page.keyboard.press('k');
      await page.click('#kippung-finden');
      await page.waitForSelector('code[data-form=g]');
      assert.strictEqual(await page.textContent('code[data-form=g]'), 'kippdreh kegel.bmp g=0.80');
      const [from, to] = await page.evaluate(() => window.Messtisch.modules().Desk.tab('kippung').save().clicks);
      const found = Math.atan((to.y - from.y) / (to.x - from.x)) * -180 / Math.PI;
      assert.ok(Math.abs(found - conic.g) <= 0.05, String(found));
      assert.match(await page.textContent('#kippung-ergebnis'), /^Vorschlag: die längste gerade Linie/);
    });

    await t.test('a side meridian clicked at the whole-picture zoom is refused, the neatline is not', async () => {
      assert.ok((await scale(page)) < 1);
      // the westernmost meridian that runs from the top of the frame to its bottom
      const meridian = conic.meridians.find((m) => Math.abs(m.line[m.line.length - 1].y - m.line[0].y) > 600).line, side = conic.sides.left;
      const ends = [meridian[8], meridian[meridian.length - 8]];
      for (const p of ends) await clickImage(page, Math.round(p.x), Math.round(p.y));
      const warning = await page.textContent('#meridian-warnung');
      assert.match(warning, /^Meridiane laufen auf Kegelkarten zusammen: Diese steile Linie ergäbe g=-\d\.\d\d, der Rahmen aber g=0\.80/);
      assert.strictEqual(await page.isVisible('#meridian-warnung'), true);
      if (pictures) await page.screenshot({ path: path.join(pictures, '21-messtisch-meridian-warnung.png'), clip: { x: 0, y: 0, width: 1600, height: 560 } });
      for (const p of [side[0], side[1]]) {
        await clickImage(page, Math.round(p.x + (side[1].x - side[0].x) * 0.1 * (p === side[0] ? 1 : -1)), Math.round(p.y + (p === side[0] ? 60 : -60)));
      }
      assert.strictEqual(await page.isVisible('#meridian-warnung'), false);
    });

    await t.test('the loupe shows where a click at 2:1 snaps to, and Alt clicks where the mouse is', async () => {
      await zoom(page, '1');
      await zoom(page, '+', 3); // 1.95
      const s = await scale(page);
      assert.ok(s > 1.9 && s < 2, String(s));
      // three screen pixels below the top neatline, a pixel and a half in the picture
      const top = conic.sides.top, x = 600, y = centreAt(top, 'x', x);
      await centreOn(page, x, Math.round(y));
      const at = await screenPoint(page, x, Math.round(y) + 2);
      await page.mouse.move(at.x, at.y + 1);
      const hover = await page.evaluate(() => window.Messtisch.modules().Assist.hovered());
      assert.ok(hover && Math.abs(hover.snapped.y - y) <= 0.5 && hover.snapped.x === hover.at.x, JSON.stringify(hover));
      if (pictures) await page.screenshot({ path: path.join(pictures, '20-messtisch-lupe.png') });
      await page.mouse.click(at.x, at.y + 1);
      const clicked = await page.evaluate(() => window.Messtisch.modules().Desk.tab('kippung').save().clicks[0]);
      assert.strictEqual(clicked.y, Math.round(y));
      await page.keyboard.down('Alt');
      await page.mouse.click(at.x, at.y + 1);
      await page.keyboard.up('Alt');
      assert.strictEqual((await page.evaluate(() => window.Messtisch.modules().Desk.tab('kippung').save().clicks[1])).y, Math.round(y) + 2);
    });

    await t.test('a curved parallel traced from one click at 1:1, within a pixel, the bars from it', async () => {
      await page.keyboard.press('b');
      await page.check('input[name=lauf][value=v]');
      await page.check('input[name=linie][value=bottom]');
      await zoom(page, '1');
      // clicked where a meridian crosses it
      const parallel = conic.parallels[conic.parallels.length - 2].line, click = parallel[Math.floor(parallel.length / 2)];
      await centreOn(page, Math.round(click.x), Math.round(click.y));
      await clickImage(page, Math.round(click.x), Math.round(click.y) + 3);
      const line = await page.evaluate(() => window.Messtisch.modules().Desk.tab('balken').save().lines.bottom);
      assert.ok(line.length >= 8, JSON.stringify(line));
      let worst = 0;
      for (let i = 0; i + 1 < line.length; i++) {
        for (let x = line[i].x; x < line[i + 1].x; x++) {
          const truth = centreAt(parallel, 'x', x);
          if (truth !== null) worst = Math.max(worst, Math.abs(line[i].y + (line[i + 1].y - line[i].y) * (x - line[i].x) / (line[i + 1].x - line[i].x) - truth));
        }
      }
      assert.ok(worst <= 1, String(worst));
      for (let i = 1; i < line.length; i++) assert.ok(line[i].x - line[i - 1].x >= 50 && line[i].x - line[i - 1].x <= 200);
      await zoom(page, '0');
      if (pictures) await page.screenshot({ path: path.join(pictures, '22-messtisch-rahmen-verfolgt.png') });
      // the saved picture differs from the input only in pure blue pixels
      const saved = readBmp(fs.readFileSync(await download(page, '#balken-speichern', folder)));
      const input = readBmp(conic.bmp);
      let blue = 0;
      for (let y = 0; y < input.height; y++) {
        for (let x = 0; x < input.width; x++) {
          const a = input.at(x, y), b = saved.at(x, y);
          if (a[0] !== b[0] || a[1] !== b[1] || a[2] !== b[2]) { assert.deepStrictEqual(b, [0, 0, 255]); blue++; }
        }
      }
      assert.ok(blue > 100000, String(blue));
    });

    await t.test('the keyboard moves the crosshair by 1, by 10 and by a screen', async () => {
      await page.keyboard.press('p');
      await page.focus('#buehne');
      await page.keyboard.press('Shift+ArrowRight');
      const start = await page.evaluate(() => window.Messtisch.state.cursor);
      const steps = [['Shift+ArrowRight', 1, 0], ['Shift+ArrowDown', 0, 1], ['Control+ArrowLeft', -10, 0], ['Control+ArrowUp', 0, -10]];
      let expected = { ...start };
      for (const [key, dx, dy] of steps) {
        await page.keyboard.press(key);
        expected = { x: expected.x + dx, y: expected.y + dy };
        assert.deepStrictEqual(await page.evaluate(() => window.Messtisch.state.cursor), expected, key);
      }
      const screen = await page.evaluate(() => Math.round(window.Messtisch.view.canvas.height / window.Messtisch.view.scale));
      await page.keyboard.press('PageUp');
      const after = await page.evaluate(() => window.Messtisch.state.cursor);
      assert.deepStrictEqual(after, { x: expected.x, y: Math.max(0, expected.y - screen) });
    });

    await openPicture(page, path.join(folder, 'zylinder.bmp'));

    await t.test('three crossings clicked and typed, the rest proposed, Tab, J and all taken: RMS under 1.5 pixels', async () => {
      await page.keyboard.press('p');
      await zoom(page, '0');
      const node = (lon, lat) => flat.crossings.find((c) => c.lon === lon && c.lat === lat);
      for (const [lon, lat] of [[8, 53], [16, 53], [12, 48]]) {
        const c = node(lon, lat);
        await clickImage(page, Math.round(c.x) + 2, Math.round(c.y) - 2); // a little beside it: the click snaps
        const pending = await page.textContent('#punkt-pixel');
        assert.match(pending, /Kreuzung bei/);
        await page.keyboard.type(lon + '.0');
        await page.focus('#punkt-breite');
        await page.keyboard.type(lat + '.0');
        await page.keyboard.press('Enter');
      }
      const typed = await page.evaluate(() => window.Messtisch.modules().Desk.tab('punkte').save().doc.points);
      assert.strictEqual(typed.length, 3);
      for (const p of typed) {
        const truth = node(Number(p.longitude), Number(p.latitude));
        assert.ok(Math.hypot(p.exact.x - truth.x, p.exact.y - truth.y) <= 1, JSON.stringify(p));
      }
      await page.click('#kreuzungen-vorschlagen');
      await page.waitForSelector('#vorschlaege:not([hidden])');
      await fitted(page);
      const proposed = await page.$$eval('#vorschlag-tabelle tbody tr', (rows) => rows.map((r) => [...r.cells].map((c) => c.textContent)));
      assert.ok(proposed.length + 3 >= 0.9 * flat.crossings.length, String(proposed.length));
      for (const [, x, y, lon, lat] of proposed) {
        const truth = node(Number(lon), Number(lat));
        assert.ok(truth && Math.hypot(Number(x) - truth.x, Number(y) - truth.y) <= 1, `${x} ${y} ${lon} ${lat}`);
      }
      if (pictures) await page.screenshot({ path: path.join(pictures, '23-messtisch-kreuzungen.png') });
      // Tab to the second proposal and take it with J: an ordinary point, undone with Strg+Z
      await page.focus('#buehne');
      await page.keyboard.press('Tab');
      const cursor = await page.evaluate(() => window.Messtisch.state.cursor);
      assert.deepStrictEqual([cursor.x, cursor.y], [Math.round(Number(proposed[1][1])), Math.round(Number(proposed[1][2]))]);
      await page.keyboard.press('j');
      await fitted(page);
      assert.strictEqual(await page.$$eval('#punkt-tabelle tbody tr', (rows) => rows.length), 4);
      assert.strictEqual(await page.$$eval('#vorschlag-tabelle tbody tr', (rows) => rows.length), proposed.length - 1);
      // undone, the point goes and the proposal it came from is back
      await page.keyboard.press('Control+z');
      await fitted(page);
      assert.strictEqual(await page.$$eval('#punkt-tabelle tbody tr', (rows) => rows.length), 3);
      assert.strictEqual(await page.$$eval('#vorschlag-tabelle tbody tr', (rows) => rows.length), proposed.length);
      await page.click('#vorschlaege-alle');
      await fitted(page);
      const rows = await page.$$eval('#punkt-tabelle tbody tr', (r) => r.length);
      assert.strictEqual(rows, 3 + proposed.length);
      await page.waitForSelector('#streuung');
      const head = await page.textContent('#streuung');
      const rms = Number(/zusammen ([0-9.]+) Pixel/.exec(head)[1]);
      assert.ok(rms <= 1.5, head);
      assert.strictEqual(await page.isVisible('#vorschlaege'), false);
    });

    await openPicture(page, path.join(folder, 'luecke.bmp'));

    await t.test('a trace that loses its line says how much of the frame it covers', async () => {
      await page.keyboard.press('b');
      await page.check('input[name=lauf][value=h]');
      await page.check('input[name=linie][value=left]');
      await clickImage(page, 300, 300);
      const line = await page.evaluate(() => window.Messtisch.modules().Desk.tab('balken').save().lines.left);
      assert.ok(Math.abs(line[0].y - 50) <= 3 && Math.abs(line[line.length - 1].y - 600) <= 3, JSON.stringify(line));
      const said = new RegExp('^Linie nur auf (\\d+) % des Rahmens verfolgt \\(y=' + line[0].y + ' bis ' + line[line.length - 1].y +
        ', Rahmen y=(\\d+) bis (\\d+)\\): Wo sie abbricht, steht ein rotes Kreuz; dort weitere Punkte auf die Linie klicken\\.$').exec(await status(page));
      assert.ok(said, await status(page));
      const [share, from, to] = said.slice(1).map(Number);
      assert.ok(from >= 50 && from <= 82 && to <= 950 && to >= 918, said[0]);
      assert.strictEqual(share, Math.round(100 * (line[line.length - 1].y - Math.max(from, line[0].y)) / (to - from)));
      assert.strictEqual(await page.getAttribute('#status-meldung', 'class'), 'fehler');
    });

    await openPicture(page, path.join(folder, 'foto.bmp'));

    await t.test('a photograph: "keine Linien gefunden", no proposals, the work as it was', async () => {
      await page.click('#reiter-kippung');
      await page.click('#kippung-finden');
      await page.waitForFunction(() => document.getElementById('status-meldung').textContent !== 'Die Schräglage wird gesucht …');
      assert.strictEqual(await status(page), 'keine Linien gefunden');
      assert.deepStrictEqual(await page.evaluate(() => window.Messtisch.modules().Desk.tab('kippung').save().clicks), []);
      await page.click('#reiter-punkte');
      await page.click('#kreuzungen-vorschlagen');
      await page.waitForFunction(() => document.getElementById('status-meldung').textContent !== 'Kreuzungen werden gesucht …');
      assert.strictEqual(await status(page), 'keine Linien gefunden');
      assert.strictEqual(await page.isVisible('#vorschlaege'), false);
    });
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
