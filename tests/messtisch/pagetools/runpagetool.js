// Runs one of the page's tools (build/page/<tool>/<tool>.js) under node on
// files of a host folder, as the console runs the program: its arguments,
// the bytes it reads from standard input, and back the bytes it writes to
// standard output and its exit code. Every run is a fresh instance of the
// tool; its WebAssembly is compiled once per process.
'use strict';

const fs = require('fs');
const path = require('path');

const buildDir = path.resolve(__dirname, '../../../build/page');
const compiled = new Map();

function toolFile(tool) {
  return path.join(buildDir, tool, tool + '.js');
}

// The module embedded in the tool's file, compiled on first use.
function compiledModule(tool) {
  if (!compiled.has(tool)) {
    const text = fs.readFileSync(toolFile(tool), 'latin1');
    const embedded = /data:application\/octet-stream;base64,([A-Za-z0-9+/=]+)/.exec(text);
    compiled.set(tool, new WebAssembly.Module(Buffer.from(embedded[1], 'base64')));
  }
  return compiled.get(tool);
}

// The handlers each instance hangs on the process, taken off again after its run.
const processEvents = ['uncaughtException', 'unhandledRejection'];

async function runPageTool(tool, args, { folder, input = '' }) {
  const handlersBefore = processEvents.map((event) => new Set(process.listeners(event)));
  const factory = require(toolFile(tool));
  const wasm = compiledModule(tool);
  const stdin = Buffer.from(input, 'latin1');
  let read = 0;
  const written = [];
  const instance = await factory({
    noInitialRun: true,
    print: () => {},
    printErr: () => {},
    quit: (status, toThrow) => { throw toThrow; },
    instantiateWasm: (imports, receive) => {
      const made = new WebAssembly.Instance(wasm, imports);
      receive(made, wasm);
      return made.exports;
    },
    preRun: [(m) => {
      m.FS.init(() => (read < stdin.length ? stdin[read++] : null),
        (byte) => { if (byte !== null) written.push(byte & 0xff); },
        () => {});
    }],
  });
  instance.FS.mkdir('/host');
  instance.FS.mount(instance.NODEFS, { root: folder }, '/host');
  instance.FS.chdir('/host');
  let code;
  try {
    code = instance.callMain(args);
  } catch (e) {
    if (e && e.name === 'ExitStatus') code = e.status;
    else throw e;
  } finally {
    processEvents.forEach((event, i) => {
      for (const handler of process.listeners(event)) {
        if (!handlersBefore[i].has(handler)) process.removeListener(event, handler);
      }
    });
  }
  return { code, stdout: Buffer.from(written) };
}

module.exports = { runPageTool, toolFile, buildDir };
