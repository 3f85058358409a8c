// Mouse and keyboard on the desk at zooms other than 1:1: the status line and
// the click name the same pixel, the key help pairs each key with its own
// meaning, letter keys work after a button click, and undo stays in its tab.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { makeBmp, tempFolder, openPage, openPicture, pixelOnScreen, fitted } = require('./support');

const folder = tempFolder('eingabe');
const picture = path.join(folder, 'feld.bmp');
fs.writeFileSync(picture, makeBmp(1500, 1100, (x, y) => [(x * 7) % 256, (y * 5) % 256, (x + y) % 256]));

test('zoomed out and in, the status line and the click name the same pixel', async () => {
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, picture);
    await page.keyboard.press('p');
    await page.mouse.move(500, 400);
    for (const [wanted, delta] of [[(scale) => scale < 0.45, 100], [(scale) => scale > 2.5, -100]]) {
      // the wheel over the picture until the zoom is reached
      for (let i = 0; i < 12 && !wanted(await page.evaluate(() => window.Messtisch.view.scale)); i++) {
        await page.mouse.wheel(0, delta);
        await page.waitForTimeout(50);
      }
      const scale = await page.evaluate(() => window.Messtisch.view.scale);
      assert.ok(wanted(scale), 'zoom ' + scale);
      // 40 places spread over the part of the picture in sight
      const box = await page.evaluate(() => {
        const view = window.Messtisch.view, r = view.canvas.getBoundingClientRect(), p = view.picture;
        const from = { x: Math.max(0, -view.left * view.scale), y: Math.max(0, -view.top * view.scale) };
        const to = { x: Math.min(r.width, (p.width - view.left) * view.scale), y: Math.min(r.height, (p.height - view.top) * view.scale) };
        return { left: r.left + from.x, top: r.top + from.y, width: to.x - from.x, height: to.y - from.y };
      });
      for (let i = 0; i < 40; i++) {
        const x = Math.floor(box.left + 3 + (box.width - 6) * ((i * 0.618) % 1));
        const y = Math.floor(box.top + 3 + (box.height - 6) * (i + 0.5) / 40);
        await page.mouse.move(x, y);
        const shown = /x=(\d+) y=(\d+)/.exec(await page.textContent('#status-pixel'));
        await page.mouse.click(x, y);
        const clicked = /x=(\d+) y=(\d+) \(neu\)/.exec(await page.textContent('#punkt-pixel'));
        assert.deepStrictEqual([clicked[1], clicked[2]], [shown[1], shown[2]], `zoom ${scale}, click ${i} at ${x},${y}`);
      }
    }
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

test('the key help pairs every key with its own meaning, on one line each', async () => {
  const { browser, page } = await openPage();
  try {
    await page.keyboard.press('?');
    const rows = await page.$$eval('#tastenhilfe tr', (trs) => trs.map((tr) => {
      const [key, meaning] = [tr.querySelector('th'), tr.querySelector('td')];
      return [key.textContent, meaning.textContent,
              Math.abs(key.getBoundingClientRect().top - meaning.getBoundingClientRect().top) < 2];
    }));
    assert.deepStrictEqual(rows.map((r) => r.slice(0, 2)), [
      ['O', 'Bild öffnen'],
      ['A K B P I', 'Ansehen, Schräglage, Balken, Punkte, .INF'],
      ['+ − 0 1', 'vergrößern, verkleinern, ganzes Bild, 1:1'],
      ['Pfeiltasten', 'Bild verschieben'],
      ['Umschalt+Pfeil', 'Fadenkreuz um ein Pixel bewegen'],
      ['Strg+Pfeil', 'Fadenkreuz um zehn Pixel bewegen'],
      ['Bild↑ Bild↓', 'Fadenkreuz um eine Bildschirmhöhe bewegen (mit Umschalt um eine Bildschirmbreite nach links oder rechts)'],
      ['Alt+Klick', 'ohne Einrasten klicken'],
      ['Tab', 'zum nächsten Vorschlag (mit Umschalt zum vorigen)'],
      ['J V', 'Vorschlag übernehmen, verwerfen'],
      ['Eingabe oder Leertaste', 'am Fadenkreuz klicken'],
      ['Entf', 'gewählten Balken- oder Passpunkt löschen'],
      ['Strg+Z', 'rückgängig (im gezeigten Reiter)'],
      ['Strg+Y', 'wiederholen'],
      ['N', 'Gradnetz ein/aus'],
      ['?', 'diese Hilfe zeigen oder schließen'],
      ['Esc', 'diese Hilfe schließen'],
    ]);
    assert.ok(rows.every((r) => r[2]), 'a key and its meaning stand on different lines');
    await page.keyboard.press('Escape');
    assert.strictEqual(await page.isHidden('#tastenhilfe'), true);
  } finally {
    await browser.close();
  }
});

test('letter keys work after a button click, undo stays in its tab, redo brings it back', async () => {
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, picture);
    const tab = () => page.$eval('#reiter [aria-selected=true]', (b) => b.dataset.reiter);
    await page.keyboard.press('b');
    await page.keyboard.press('1');
    await page.keyboard.press('-');
    await page.keyboard.press('-'); // 64 %
    for (const [x, y] of [[300, 200], [310, 700]]) {
      const at = await pixelOnScreen(page, x, y);
      await page.mouse.click(at.x, at.y);
    }
    await Promise.all([page.waitForEvent('download'), page.click('#balken-speichern')]);
    for (const [key, name] of [['p', 'punkte'], ['k', 'kippung'], ['b', 'balken']]) {
      await page.keyboard.press(key);
      assert.strictEqual(await tab(), name, `key ${key} after the save button`);
    }
    await page.click('#zoom-ein');
    await page.keyboard.press('p');
    assert.strictEqual(await tab(), 'punkte', 'key p after the zoom button');
    // one control point
    const at = await pixelOnScreen(page, 500, 400);
    await page.mouse.click(at.x, at.y);
    await page.fill('#punkt-laenge', '13.5');
    await page.fill('#punkt-breite', '52.25');
    await page.press('#punkt-breite', 'Enter');
    await fitted(page);
    const counts = async () => [await page.locator('#punkt-tabelle tbody tr[data-punkt]').count(),
                                /linke Rahmenlinie \((\d+) Punkte\)/.exec(await page.textContent('#linienwahl'))[1]];
    assert.deepStrictEqual(await counts(), [1, '2']);
    // in the tilt tab undo finds nothing of its own and changes nothing hidden
    await page.keyboard.press('k');
    await page.keyboard.press('Control+z');
    assert.match(await page.textContent('#status-meldung'), /In diesem Reiter ist nichts rückgängig zu machen/);
    assert.deepStrictEqual(await counts(), [1, '2']);
    await page.keyboard.press('b');
    await page.keyboard.press('Control+z');
    assert.deepStrictEqual(await counts(), [1, '1']);
    await page.keyboard.press('Control+y');
    assert.deepStrictEqual(await counts(), [1, '2']);
    await page.keyboard.press('Control+z');
    await page.keyboard.press('Control+Shift+Z');
    assert.deepStrictEqual(await counts(), [1, '2']);
    await page.keyboard.press('p');
    await page.keyboard.press('Control+z');
    assert.deepStrictEqual(await counts(), [0, '2']);
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});

// A click beside the picture sets nothing and says so; while a clicked point
// waits for its coordinates, digits, Tab and Enter typed with the focus on
// the picture go into the coordinates instead of zooming or leaving for the
// tabs; the loupe goes when the mouse leaves the picture.
test('a click outside the picture is reported, and typed coordinates never act as shortcuts', async () => {
  const { browser, page, problems } = await openPage();
  try {
    await openPicture(page, picture);
    await page.keyboard.press('p');
    await page.keyboard.press('1');
    const rect = await page.$eval('#leinwand', (c) => { const r = c.getBoundingClientRect(); return { left: r.left, top: r.top }; });
    // the picture's corner 40 pixels inside the canvas, grey beside it
    await page.evaluate(() => { const v = window.Messtisch.view; v.left = -40; v.top = -40; window.Messtisch.modules().Desk.redraw(); });
    const corner = await pixelOnScreen(page, 0, 0);
    assert.ok(corner.x >= rect.left + 30 && corner.y >= rect.top + 30, JSON.stringify(corner));
    await page.mouse.click(corner.x - 5, corner.y + 100);
    assert.strictEqual(await page.textContent('#status-meldung'), 'Der Klick lag außerhalb des Bildes (x=-5, y=100); nichts gesetzt.');
    assert.strictEqual(await page.textContent('#punkt-pixel'), '–');
    // a point inside, then the focus back on the picture as a user's click on the stage leaves it
    const inside = await pixelOnScreen(page, 200, 150);
    await page.mouse.click(inside.x, inside.y);
    assert.match(await page.textContent('#punkt-pixel'), /^x=200 y=150 .*\(neu\)$/);
    await page.focus('#buehne');
    const zoom = await page.textContent('#status-zoom');
    await page.keyboard.type('0');
    await page.keyboard.type('9.5');
    assert.strictEqual(await page.inputValue('#punkt-laenge'), '09.5');
    assert.strictEqual(await page.textContent('#status-zoom'), zoom, '0 zoomed');
    await page.focus('#buehne');
    await page.keyboard.press('Tab');
    assert.strictEqual(await page.evaluate(() => document.activeElement.id), 'punkt-laenge');
    await page.keyboard.press('Tab');
    await page.keyboard.type('50');
    await page.keyboard.press('Enter');
    assert.strictEqual(await page.$eval('#reiter [aria-selected=true]', (b) => b.dataset.reiter), 'punkte');
    await fitted(page);
    assert.deepStrictEqual(await page.$$eval('#punkt-tabelle tbody tr[data-punkt] td', (tds) => tds.slice(2, 6).map((td) => td.textContent)),
      ['200', '150', '09.5', '50']);
    // nothing waits any more: the keys are shortcuts again
    await page.keyboard.press('0');
    assert.notStrictEqual(await page.textContent('#status-zoom'), zoom);
    // the loupe, shown under the mouse, goes when the mouse leaves the canvas
    await page.keyboard.press('1');
    const over = await pixelOnScreen(page, 300, 300);
    await page.mouse.move(over.x, over.y);
    assert.ok(await page.evaluate(() => window.Messtisch.modules().Assist.hovered()));
    await page.mouse.move(5, 5);
    assert.strictEqual(await page.evaluate(() => window.Messtisch.modules().Assist.hovered()), null);
    assert.strictEqual(await page.textContent('#status-pixel'), '–');
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
