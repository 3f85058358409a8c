// The page's build of the tools in Chromium, loaded from file:// as the desk
// loads its scripts: each tool runs on files in the memory file system and
// gives the native program's console bytes, exit code and files.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { makeBmp, tempFolder } = require('../support.js');
const { toolFile } = require('./runpagetool.js');

const native = {
  kippdreh: process.env.KIPPDREH, glattzug: process.env.GLATTZUG,
  messkart: process.env.MESSKART, passnetz: process.env.PASSNETZ,
};

// In the page: a fresh instance, the files written into its memory file
// system, the console taken byte by byte, every file read back.
function runInPage(tool, args, files, input) {
  return (async () => {
    const stdin = new TextEncoder().encode(input);
    let read = 0;
    const out = [];
    const instance = await window[tool + 'Tool']({
      noInitialRun: true, print() {}, printErr() {},
      quit(status, toThrow) { throw toThrow; },
      preRun: [(m) => m.FS.init(() => (read < stdin.length ? stdin[read++] : null),
        (byte) => { if (byte !== null) out.push(byte & 255); }, () => {})],
    });
    instance.FS.mkdir('/work');
    instance.FS.chdir('/work');
    for (const [name, bytes] of Object.entries(files)) instance.FS.writeFile(name, new Uint8Array(bytes));
    let code;
    try {
      code = instance.callMain(args);
    } catch (e) {
      if (e && e.name === 'ExitStatus') code = e.status;
      else throw e;
    }
    const written = {};
    for (const name of instance.FS.readdir('.')) {
      if (name !== '.' && name !== '..') written[name] = Array.from(instance.FS.readFile(name));
    }
    return { code, stdout: out, files: written };
  })();
}

function runNative(tool, args, files, input) {
  const folder = tempFolder('pagetools');
  for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(folder, name), bytes);
  const run = spawnSync(path.resolve(native[tool]), args, { cwd: folder, input });
  const written = {};
  for (const name of fs.readdirSync(folder).sort()) written[name] = Array.from(fs.readFileSync(path.join(folder, name)));
  return { code: run.status, stdout: Array.from(run.stdout), files: written };
}

const map = makeBmp(150, 110, (x, y) => (x < 6 + (y % 3) || x > 140 - (y % 4) ? [0, 0, 255]
  : [(x * 7 + y) & 255, (x * y) & 255, (y * 5) & 255]));
const cases = [
  ['kippdreh', ['KARTE.BMP', 'g=12.34'], { 'KARTE.BMP': map }],
  ['kippdreh', ['KARTE.BMP', 'y=-9'], { 'KARTE.BMP': map }],
  ['glattzug', ['KARTE.BMP', 'h'], { 'KARTE.BMP': map }],
  ['messkart', ['MESS.TXT'], { 'MESS.TXT': Buffer.from('0150 0110\r\n10 8.5 12 47.336\r\n140 9.25 100 47.001\r\n', 'latin1') }],
  ['passnetz', ['KARTE.BMP'], { 'KARTE.BMP': map, 'KARTE.INF': Buffer.from('173.3333\r\n-1463.3333\r\n-11079.4586\r\n10242.9216\r\n150\r\n110\r\n', 'latin1') }],
];

test('the page build of each tool, loaded from file://, writes the native bytes', async () => {
  for (const tool of Object.keys(native)) assert.ok(fs.existsSync(toolFile(tool)), `${toolFile(tool)}: scripts/build-page-tools`);
  const folder = tempFolder('pagetools');
  const scripts = Object.keys(native).map((tool) => `<script src="file://${toolFile(tool)}"></script>`).join('\n');
  fs.writeFileSync(path.join(folder, 'tools.html'), `<!doctype html><meta charset="utf-8">\n${scripts}\n`);
  const playwright = require('playwright-core');
  const browser = await playwright.chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run'],
  });
  try {
    const page = await browser.newPage();
    const problems = [];
    page.on('pageerror', (error) => problems.push(error.message));
    await page.goto('file://' + path.join(folder, 'tools.html'));
    for (const [tool, args, files] of cases) {
      const arrays = Object.fromEntries(Object.entries(files).map(([name, bytes]) => [name, Array.from(bytes)]));
      const inPage = await page.evaluate(`(${runInPage})(${JSON.stringify(tool)}, ${JSON.stringify(args)}, ${JSON.stringify(arrays)}, '\\r\\n')`);
      const expected = runNative(tool, args, files, '\r\n');
      assert.strictEqual(inPage.code, expected.code, `${tool} ${args.join(' ')}: exit code`);
      assert.strictEqual(Buffer.from(inPage.stdout).toString('latin1'), Buffer.from(expected.stdout).toString('latin1'),
        `${tool} ${args.join(' ')}: console`);
      assert.deepStrictEqual(Object.keys(inPage.files).sort(), Object.keys(expected.files), `${tool}: files`);
      for (const name of Object.keys(expected.files)) {
        assert.ok(Buffer.from(inPage.files[name]).equals(Buffer.from(expected.files[name])), `${tool}: ${name}`);
      }
      assert.ok(Object.keys(expected.files).length > Object.keys(files).length, `${tool} ${args.join(' ')} wrote a file`);
    }
    assert.deepStrictEqual(problems, []);
  } finally {
    await browser.close();
  }
});
