// What the browser tests share: 24-bit pictures made and read in memory, the
// real tools run in a folder, and the page opened in the system's Chromium.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { spawnSync } = require('node:child_process');

const root = path.resolve(__dirname, '..', '..');
const tools = {
  kippdreh: process.env.KIPPDREH || path.join(root, 'build/release/kippdreh/kippdreh'),
  glattzug: process.env.GLATTZUG || path.join(root, 'build/release/glattzug/glattzug'),
  messkart: process.env.MESSKART || path.join(root, 'build/release/messkart/messkart'),
  passnetz: process.env.PASSNETZ || path.join(root, 'build/release/passnetz/passnetz'),
};
const pageUrl = 'file://' + (process.env.MESSTISCH_PAGE || path.join(root, 'messtisch/index.html'));

// The 54-byte header of a 24-bit BMP whose pixels follow it, in a buffer of
// length bytes (the header alone, or the whole picture), and its rows' length.
function bmpHeader(width, height, length = 54) {
  const rowBytes = 3 * width + (width % 4), size = 54 + rowBytes * height;
  const bytes = Buffer.alloc(length);
  bytes.write('BM', 0, 'latin1');
  bytes.writeUInt32LE(size, 2);
  bytes.writeUInt32LE(54, 10);
  bytes.writeUInt32LE(40, 14);
  bytes.writeInt32LE(width, 18);
  bytes.writeInt32LE(height, 22);
  bytes.writeUInt16LE(1, 26);
  bytes.writeUInt16LE(24, 28);
  return { bytes, rowBytes, size };
}

// A black 24-bit BMP with its header, and the length of its rows.
function blankBmp(width, height) {
  const { rowBytes, size } = bmpHeader(width, height);
  const { bytes } = bmpHeader(width, height, size);
  bytes.writeUInt32LE(rowBytes * height, 34);
  return { bytes, rowBytes };
}

// A bottom-up 24-bit BMP; colourAt(x, y) gives [r, g, b] with y from the top.
function makeBmp(width, height, colourAt) {
  const { bytes, rowBytes } = blankBmp(width, height);
  for (let y = 0; y < height; y++) {
    let at = 54 + rowBytes * (height - 1 - y);
    for (let x = 0; x < width; x++, at += 3) {
      const [r, g, b] = colourAt(x, y);
      bytes[at] = b; bytes[at + 1] = g; bytes[at + 2] = r;
    }
  }
  return bytes;
}

// The tools' reading of a BMP: offset and size from the 16-bit fields.
function readBmp(bytes) {
  const width = bytes.readUInt16LE(18), height = bytes.readUInt16LE(22), dataOffset = bytes.readUInt16LE(10);
  const rowBytes = 3 * width + (width % 4);
  const offset = (x, y) => dataOffset + 3 * x + rowBytes * (height - 1 - y);
  return {
    bytes, width, height, dataOffset, rowBytes, offset,
    at: (x, y) => { const o = offset(x, y); return [bytes[o + 2], bytes[o + 1], bytes[o]]; },
  };
}

// Runs a tool in folder with standard input at its end; the console as text.
function runTool(tool, args, folder) {
  const run = spawnSync(tools[tool], args, { cwd: folder, stdio: ['ignore', 'pipe', 'pipe'], encoding: 'latin1' });
  if (run.error) throw run.error;
  return { output: run.stdout, status: run.status };
}

// A fresh folder, removed when the test file's process ends.
const folders = [];
process.on('exit', () => folders.forEach((folder) => fs.rmSync(folder, { recursive: true, force: true })));

function tempFolder(label) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'messtisch-' + label + '-'));
  folders.push(folder);
  return folder;
}

async function openPage(url = pageUrl) {
  let playwright;
  try {
    playwright = require('playwright-core');
  } catch (e) {
    throw new Error('playwright-core is missing: run scripts/ensure-build-tools (npm ci in tests/messtisch)');
  }
  const browser = await playwright.chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  const context = await browser.newContext({ viewport: { width: 1600, height: 1000 }, acceptDownloads: true });
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  // a file that is not there shows in the page's work; the console's own
  // line for it would only repeat that
  page.on('console', (message) => {
    if (message.type() === 'error' && !message.text().startsWith('Failed to load resource')) problems.push(message.text());
  });
  await page.goto(url);
  return { browser, page, problems };
}

async function openPicture(page, file) {
  const [width, height] = [readBmp(fs.readFileSync(file)).width, readBmp(fs.readFileSync(file)).height];
  await page.setInputFiles('#bild-datei', file);
  await page.waitForSelector(`body[data-bild="${width}x${height}"]`);
  // the page may still hold the previous picture's size when it is the same
  await page.waitForFunction((name) => document.getElementById('bild-angaben').textContent.startsWith(name), path.basename(file));
}

// The client point at the middle of picture pixel (x, y) at the zoom shown.
async function screenPoint(page, x, y) {
  return page.evaluate(([x, y]) => {
    const view = window.Messtisch.view, rect = view.canvas.getBoundingClientRect();
    return { x: rect.left + (x + 0.5 - view.left) * view.scale, y: rect.top + (y + 0.5 - view.top) * view.scale };
  }, [x, y]);
}

// The whole client coordinates of the mouse inside picture pixel (x, y) at
// the page's zoom: the browser hands mouse events whole coordinates, while the
// canvas may sit at a fractional offset.
async function pixelOnScreen(page, x, y) {
  return page.evaluate(([x, y]) => {
    const view = window.Messtisch.view, rect = view.canvas.getBoundingClientRect();
    const inside = (from, to) => { const c = Math.ceil(from - 1e-6); return c < to ? c : null; };
    const cx = inside(rect.left + (x - view.left) * view.scale, rect.left + (x + 1 - view.left) * view.scale);
    const cy = inside(rect.top + (y - view.top) * view.scale, rect.top + (y + 1 - view.top) * view.scale);
    const seen = cx !== null && cy !== null && cx >= rect.left && cy >= rect.top && cx < rect.right && cy < rect.bottom;
    return { x: cx, y: cy, scale: view.scale, inside: seen };
  }, [x, y]);
}

// Clicks inside picture pixel (x, y) at 1:1, where clicks are exact; with
// modifiers 'Alt' the desk takes the click as it is, without snapping.
async function clickPixel(page, x, y, modifiers) {
  const at = await pixelOnScreen(page, x, y);
  if (at.scale !== 1 || !at.inside) throw new Error(`pixel ${x},${y} is not in sight at 1:1`);
  if (modifiers) await page.keyboard.down(modifiers);
  await page.mouse.click(at.x, at.y);
  if (modifiers) await page.keyboard.up(modifiers);
}

// Waits until the canvas shows every change made so far: the page draws in
// the animation frame after a change, so frames pass until none is pending.
// Read canvas pixels (or what drawing sets) only after this.
async function drawn(page) {
  await fitted(page);
  await page.evaluate(() => new Promise(function wait(resolve) {
    requestAnimationFrame(() => (window.Messtisch.view.pending ? wait(resolve) : resolve()));
  }));
}

// Waits until the Punkte tab's fit (messkart compiled for the page, run in
// a worker) has caught up with every change to the points made so far.
async function fitted(page) {
  await page.waitForSelector('#ausgleich:not([aria-busy])', { state: 'attached', timeout: 60000 });
}

async function download(page, button, folder) {
  const [file] = await Promise.all([page.waitForEvent('download'), page.click(button)]);
  const target = path.join(folder, file.suggestedFilename());
  await file.saveAs(target);
  return target;
}

module.exports = { root, tools, bmpHeader, blankBmp, makeBmp, readBmp, runTool, tempFolder, openPage, openPicture, screenPoint, clickPixel, pixelOnScreen, drawn, fitted, download };
