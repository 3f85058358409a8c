// The page's build of kippdreh and glattzug in the system's Chromium (loaded
// from file://, as the desk loads it) against the native programs held to
// one core, and the page's memory while it turns a 12000 x 9000 picture.
// On demand, not a test: bench/page [repeats] builds what it needs first.
//   node bench/pagetools.js [repeats]
// The native programs come from build/bench/tools (or KIPPDREH, GLATTZUG),
// the page's from build/page (scripts/build-page-tools).
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const crypto = require('node:crypto');
const { spawnSync } = require('node:child_process');
const { toolFile } = require('../tests/messtisch/pagetools/runpagetool.js');
const { rendererMemory } = require('./renderermemory.js');

const repeats = Number(process.argv[2] || 5);
const build = path.resolve(__dirname, '../build');
const work = path.join(build, 'bench');
const native = {
  kippdreh: process.env.KIPPDREH || path.join(work, 'tools/kippdreh/kippdreh'),
  glattzug: process.env.GLATTZUG || path.join(work, 'tools/glattzug/glattzug'),
};
const MiB = 1048576;

function picture(name, width, height, framed) {
  const file = path.join(work, name);
  if (!fs.existsSync(file)) {
    const made = spawnSync(path.join(work, 'makebmp'), [String(width), String(height), file].concat(framed ? ['framed'] : []));
    if (made.status !== 0) throw new Error(`makebmp ${name} failed`);
  }
  return file;
}

const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];
const sha = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');

// One run of the native program on one core, its output read back for the
// comparison and removed, so that no run pays for another's pages.
function runNative(tool, file, args) {
  const output = file.replace(/\.BMP$/, '.TMP');
  fs.rmSync(output, { force: true });
  const started = process.hrtime.bigint();
  const run = spawnSync('taskset', ['-c', '0', native[tool], path.basename(file)].concat(args), { cwd: work });
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  if (run.status !== 0) throw new Error(`${tool} ${args.join(' ')}: exit ${run.status}\n${run.stdout}`);
  const digest = sha(fs.readFileSync(output));
  fs.rmSync(output);
  return { seconds, digest };
}

// In the page: a fresh instance of the tool (from the module compiled once,
// when given), the picture handed to its memory file system without a copy,
// the run, and the output taken from the file system as it lies there (the
// instance is not used again); then, timed apart, what a copy of it with
// FS.readFile would add, and its digest for the comparison (WebCrypto copies
// what it hashes, so the memory runs go without either).
function runInPage(tool, args, compiled, withDigest) {
  return (async () => {
    const bytes = window.picture;
    const t0 = performance.now();
    const options = { noInitialRun: true, print() {}, printErr() {}, quit(status, toThrow) { throw toThrow; } };
    const console = [];
    options.preRun = [(m) => m.FS.init(() => null, (byte) => { if (byte !== null) console.push(byte); }, () => {})];
    if (compiled) {
      options.instantiateWasm = (imports, receive) => {
        WebAssembly.instantiate(window.modules[tool], imports).then((instance) => receive(instance, window.modules[tool]));
        return {};
      };
    }
    const instance = await window[tool + 'Tool'](options);
    const t1 = performance.now();
    instance.FS.writeFile('KARTE.BMP', bytes, { canOwn: true });
    let code;
    try {
      code = instance.callMain(['KARTE.BMP'].concat(args));
    } catch (e) {
      if (e && e.name === 'ExitStatus') code = e.status;
      else throw e;
    }
    const t2 = performance.now();
    const node = instance.FS.lookupPath('KARTE.TMP').node;
    const out = node.contents.subarray(0, node.usedBytes);
    const t3 = performance.now();
    let copy = 0, digest = '';
    if (withDigest) {
      const t4 = performance.now();
      instance.FS.readFile('KARTE.TMP');
      copy = (performance.now() - t4) / 1000;
      digest = Array.from(new Uint8Array(await crypto.subtle.digest('SHA-256', out)))
        .map((b) => b.toString(16).padStart(2, '0')).join('');
    }
    return { code, console: String.fromCharCode(...console), start: (t1 - t0) / 1000, run: (t2 - t1) / 1000,
             total: (t3 - t0) / 1000, copy, digest, heap: instance.HEAP8.length, output: out.length };
  })();
}

// The browser, held to the native programs' core for the speed runs, so
// that other work on the machine weighs on both alike.
async function openBench(oneCore) {
  const playwright = require('../tests/messtisch/node_modules/playwright-core');
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'pagetools-bench-'));
  const chromium = process.env.CHROMIUM || '/usr/bin/chromium';
  const launcher = path.join(folder, 'chromium');
  fs.writeFileSync(launcher, `#!/bin/sh\nexec ${oneCore ? 'taskset -c 0 ' : ''}${chromium} "$@"\n`, { mode: 0o755 });
  const scripts = ['kippdreh', 'glattzug'].map((tool) => `<script src="file://${toolFile(tool)}"></script>`).join('\n');
  fs.writeFileSync(path.join(folder, 'bench.html'), `<!doctype html><meta charset="utf-8">\n${scripts}\n<input type="file" id="bild">\n`);
  const browser = await playwright.chromium.launch({
    executablePath: launcher,
    args: ['--no-sandbox', '--headless', '--disable-gpu', '--no-first-run', '--disable-background-networking'],
  });
  const page = await browser.newPage();
  await page.goto('file://' + path.join(folder, 'bench.html'));
  // Each module compiled once from the tool's own file, for the runs that reuse it.
  for (const tool of ['kippdreh', 'glattzug']) {
    const text = fs.readFileSync(toolFile(tool), 'latin1');
    const embedded = /data:application\/octet-stream;base64,([A-Za-z0-9+/=]+)/.exec(text)[1];
    await page.evaluate(async ([name, base64]) => {
      window.modules = window.modules || {};
      window.modules[name] = await WebAssembly.compile(Uint8Array.from(atob(base64), (c) => c.charCodeAt(0)));
    }, [tool, embedded]);
  }
  return { browser, page, folder };
}

async function loadPicture(page, file) {
  await page.setInputFiles('#bild', file);
  await page.evaluate(async () => { window.picture = new Uint8Array(await document.getElementById('bild').files[0].arrayBuffer()); });
}

// The page's runs alternate with the native ones, so that a busy machine
// weighs on both alike; the first run in the page, which compiles the
// module from the tool's file, is reported apart.
async function speed(page, tool, file, args) {
  await loadPicture(page, file);
  const first = await page.evaluate(`(${runInPage})(${JSON.stringify(tool)}, ${JSON.stringify(args)}, false, true)`);
  const times = { native: [], page: [], pageRun: [], copy: [] };
  let nativeDigest = runNative(tool, file, args).digest;
  for (let i = 0; i < repeats; i++) {
    const n = runNative(tool, file, args);
    const p = await page.evaluate(`(${runInPage})(${JSON.stringify(tool)}, ${JSON.stringify(args)}, true, true)`);
    if (p.code !== 0 || p.digest !== n.digest || n.digest !== nativeDigest || first.digest !== n.digest) {
      throw new Error(`${tool} ${args.join(' ')}: the page's output differs from the native one (exit ${p.code})\n${p.console}`);
    }
    times.native.push(n.seconds);
    times.page.push(p.total);
    times.pageRun.push(p.run);
    times.copy.push(p.copy);
  }
  await page.evaluate(() => { window.picture = null; });
  return { first: first.total, native: median(times.native), page: median(times.page), run: median(times.pageRun),
           copy: median(times.copy) };
}

// A fresh browser each: the renderer's peak resident memory from choosing
// the file to the output read back, sampled every 50 ms, and the size the
// instance's WebAssembly memory grew to.
async function memory(file, args) {
  const { browser, page, folder } = await openBench(false);
  try {
    const before = rendererMemory();
    let peak = before;
    const timer = setInterval(() => { peak = Math.max(peak, rendererMemory()); }, 50);
    await loadPicture(page, file);
    const run = await page.evaluate(`(${runInPage})("kippdreh", ${JSON.stringify(args)}, true, false)`);
    clearInterval(timer);
    peak = Math.max(peak, rendererMemory());
    if (run.code !== 0) throw new Error(`kippdreh ${args.join(' ')} in the page: exit ${run.code}\n${run.console}`);
    return { before, peak, heap: run.heap, output: run.output, seconds: run.total };
  } finally {
    await browser.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

async function main() {
  const turned = picture('P6000.BMP', 6000, 4500, false);
  const framed = picture('F6000.BMP', 6000, 4500, true);
  const big = picture('P12000.BMP', 12000, 9000, false);
  const { browser, page, folder } = await openBench(true);
  const rows = [];
  try {
    rows.push(['kippdreh g=45, 6000 x 4500', await speed(page, 'kippdreh', turned, ['g=45'])]);
    rows.push(['glattzug v 47.5 55, 6000 x 4500 framed', await speed(page, 'glattzug', framed, ['v', '47.5', '55'])]);
  } finally {
    await browser.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
  console.log(`speed, medians of ${repeats} alternating runs; native and Chromium on one core (taskset -c 0)`);
  console.log(`${'run'.padEnd(40)} ${'native s'.padStart(9)} ${'page s'.padStart(8)} ${'tool s'.padStart(8)} ${'+copy s'.padStart(8)} ${'first s'.padStart(8)} ${'page/native'.padStart(12)}  goal`);
  for (const [name, r] of rows) {
    const ratio = r.page / r.native;
    console.log(`${name.padEnd(40)} ${r.native.toFixed(3).padStart(9)} ${r.page.toFixed(3).padStart(8)} ${r.run.toFixed(3).padStart(8)} ` +
                `${r.copy.toFixed(3).padStart(8)} ${r.first.toFixed(3).padStart(8)} ${ratio.toFixed(2).padStart(12)}  <= 3 ${ratio <= 3 ? 'yes' : 'NO'}`);
  }
  const size = fs.statSync(big).size;
  console.log(`\nmemory, 12000 x 9000 (${(size / MiB).toFixed(0)} MiB), a fresh browser each`);
  console.log(`${'run'.padEnd(24)} ${'output MiB'.padStart(10)} ${'s'.padStart(6)} ${'renderer MiB'.padStart(13)} ${'/ picture'.padStart(10)} ${'wasm MiB'.padStart(9)} ${'/ picture'.padStart(10)}  goal`);
  for (const args of [['g=1.5'], ['g=45']]) {
    const m = await memory(big, args);
    const ratio = m.peak / size;
    console.log(`${('kippdreh ' + args.join(' ')).padEnd(24)} ${(m.output / MiB).toFixed(0).padStart(10)} ${m.seconds.toFixed(2).padStart(6)} ` +
                `${(m.peak / MiB).toFixed(0).padStart(13)} ${ratio.toFixed(2).padStart(10)} ${(m.heap / MiB).toFixed(0).padStart(9)} ` +
                `${(m.heap / size).toFixed(2).padStart(10)}  <= 4 ${ratio <= 4 ? 'yes' : 'NO'} (renderer before the picture: ${(m.before / MiB).toFixed(0)} MiB)`);
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
