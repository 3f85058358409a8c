// The four tools compiled for the page, run on files held in the page: a
// fresh instance of the tool for every run, its files in a working folder of
// its memory file system, a string as its standard input (empty: at end of
// file the tools run unattended), and back its console text, exit code,
// every file in the folder that the tool wrote or changed and the names of
// the files it read from disk. A large picture the user chose from disk is
// read by the worker from that file, as the console tool reads it, so that
// the page's memory holds no copy of it for the run.
//
// The tools' scripts are loaded on demand: an installed page carries them in
// werkzeuge/, a clone has them in ../build/page/<tool>/ once built. Each tool
// runs in a worker of its own, made from the factory's source text, so that
// the page stays responsive; its WebAssembly is compiled there once and
// instantiated again for every run. Where no worker can be made, the tool runs
// in the page itself.
define('PageTools', ['ToolMemory'], function (ToolMemory) {
  'use strict';

  // and messkart's report for the Punkte tab (messkart/deskreport.hpp)
  var TOOLS = ['kippdreh', 'glattzug', 'messkart', 'passnetz', 'messkartbericht'];
  var missing = 'Die Werkzeuge der Seite fehlen: im Projektordner scripts/build-page-tools ausführen ' +
    '(oder den installierten Messtisch öffnen).';
  function places(tool) { return ['werkzeuge/' + tool + '.js', '../build/page/' + tool + '/' + tool + '.js']; }

  var factories = {};  // tool -> Promise of its factory, or of null when no script has it
  var runners = {};    // tool -> Promise of run(job, onConsole)

  function loadScript(src) {
    return new Promise(function (resolve) {
      var script = document.createElement('script');
      script.src = src;
      script.onload = function () { resolve(true); };
      script.onerror = function () { script.remove(); resolve(false); };
      document.head.appendChild(script);
    });
  }

  function factory(tool) {
    if (!factories[tool]) {
      var global = tool + 'Tool';
      factories[tool] = places(tool).reduce(function (before, src) {
        return before.then(function (found) {
          if (found || typeof window[global] === 'function') return found || window[global];
          return loadScript(src).then(function () { return typeof window[global] === 'function' ? window[global] : null; });
        });
      }, Promise.resolve(null));
    }
    return factories[tool];
  }

  function available() {
    return Promise.all(TOOLS.map(factory)).then(function (all) { return all.every(Boolean); });
  }

  // --- what runs beside the tool's factory, in the worker or in the page ---
  // Kept free of anything outside it: its source text goes into the worker.
  // owned: the files handed in are the run's own (copies sent to the
  // worker), so the memory file system takes them as they are, uncopied.
  function host(Tool, owned) {
    var compiled = null;

    // The module embedded in the factory's source (-sSINGLE_FILE), compiled once.
    function wasmModule() {
      if (!compiled) {
        var embedded = /data:application\/octet-stream;base64,([A-Za-z0-9+\/=]+)/.exec(Tool.toString());
        var text = atob(embedded[1]), bytes = new Uint8Array(text.length);
        for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
        compiled = WebAssembly.compile(bytes);
      }
      return compiled;
    }

    // job {args, files, input, onDisk}; onConsole(text) as the tool prints, a
    // line at a time. onDisk {name: Blob}: files read from the Blob (a file
    // chosen from disk) through WORKERFS instead of their bytes in files,
    // which then need not be sent; only where the tool runs in a worker.
    function run(job, onConsole) {
      return wasmModule().then(function (module) {
        var input = job.input || '', read = 0, written = [], pending = '', shown = Date.now();
        // whole lines, and the progress dots at least every tenth of a second
        function flush() { if (pending) { onConsole(pending); pending = ''; shown = Date.now(); } }
        return Tool({
          noInitialRun: true,
          print: function () {},
          printErr: function () {},
          quit: function (status, toThrow) { throw toThrow; },
          instantiateWasm: function (imports, receive) {
            WebAssembly.instantiate(module, imports).then(function (instance) { receive(instance, module); });
            return {};
          },
          preRun: [function (m) {
            m.FS.init(function () { return read < input.length ? input.charCodeAt(read++) & 255 : null; },
              function (byte) {
                if (byte === null) { flush(); return; }
                var c = String.fromCharCode(byte & 255);
                written.push(c);
                pending += c;
                if (c === '\n' || Date.now() - shown > 100) flush();
              },
              function () {});
          }]
        }).then(function (instance) {
          var FS = instance.FS;
          FS.mkdir('/arbeit');
          FS.chdir('/arbeit');
          // each file handed in dated a millisecond back, so that any write
          // of the tool into it (a later time) or in its place (another
          // node) shows at the end
          var handed = {}, before = Date.now() - 1, onDisk = job.onDisk || {};
          var blobs = Object.keys(onDisk).map(function (name) { return { name: name, data: onDisk[name] }; });
          if (blobs.length) {
            FS.mkdir('/gewaehlt');
            FS.mount(FS.filesystems.WORKERFS, { blobs: blobs }, '/gewaehlt');
            blobs.forEach(function (blob) {
              FS.symlink('/gewaehlt/' + blob.name, blob.name);
              handed[blob.name] = FS.lookupPath(blob.name, { follow: false }).node;
            });
          }
          Object.keys(job.files).forEach(function (name) {
            if (onDisk[name]) return;
            var bytes = job.files[name], stream = FS.open(name, 'w');
            FS.write(stream, bytes, 0, bytes.length, 0, owned);
            FS.close(stream);
            FS.utime(name, before, before);
            handed[name] = FS.lookupPath(name).node;
          });
          var code;
          try {
            code = instance.callMain(job.args);
          } catch (e) {
            if (e && e.name === 'ExitStatus') code = e.status;
            else throw e;
          }
          flush();
          // each file as it lies in the memory file system (the instance is
          // not used again), not a copy: a turned picture of 600 MiB would
          // otherwise be held twice. Its array may reach beyond its length
          // (the room the file system keeps for lengthening); the file is then
          // a view of its length at the start of it. A file handed in
          // and left as it was stays the caller's: sent back, the picture
          // turned would be held once more while the desk takes in the new one.
          var files = {};
          FS.readdir('.').forEach(function (name) {
            if (name === '.' || name === '..' || !FS.isFile(FS.stat(name).mode)) return;
            var link = FS.lookupPath(name, { follow: false }).node;
            if (onDisk[name] && handed[name] === link) return;
            var node = FS.lookupPath(name, { follow: true }).node, c = node.contents;
            if (handed[name] === node && node.timestamp === before) return;
            var lying = c instanceof Uint8Array && c.byteOffset === 0 && c.length >= node.usedBytes;
            files[name] = lying ? c.subarray(0, node.usedBytes) : FS.readFile(name);
          });
          return { code: code, console: written.join(''), files: files, readFromDisk: Object.keys(onDisk) };
        });
      });
    }
    return run;
  }

  // The worker's side: one job at a time, in the order they came.
  function workerMain(run) {
    var queue = Promise.resolve();
    self.onmessage = function (event) {
      var job = event.data;
      queue = queue.then(function () {
        return run(job, function (text) { self.postMessage({ id: job.id, console: text }); });
      }).then(function (result) {
        // the files handed in go back too, though not in the result, so that
        // the worker holds none of them after the run
        var buffers = [];
        [result.files, job.files].forEach(function (files) {
          Object.keys(files).forEach(function (name) {
            if (buffers.indexOf(files[name].buffer) < 0) buffers.push(files[name].buffer);
          });
        });
        self.postMessage({ id: job.id, result: result }, buffers);
      }, function (error) {
        self.postMessage({ id: job.id, error: String(error && error.message || error) });
      });
    };
  }

  function workerRunner(tool, Tool) {
    var source = 'var _scriptDir;\nvar Tool = ' + Tool.toString() + ';\n(' + workerMain.toString() + ')((' +
      host.toString() + ')(Tool, true));\n';
    var url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
    var worker = new Worker(url);
    var jobs = {}, next = 1;
    worker.onmessage = function (event) {
      var m = event.data, job = jobs[m.id];
      if (!job) return;
      if ('console' in m) { job.onConsole(m.console); return; }
      delete jobs[m.id];
      if (m.error !== undefined) job.reject(new Error(tool + ': ' + m.error));
      else job.resolve(m.result);
    };
    worker.onerror = function (event) {
      event.preventDefault();
      Object.keys(jobs).forEach(function (id) { jobs[id].reject(new Error(tool + ': ' + (event.message || 'der Worker ist gescheitert'))); });
      jobs = {};
    };
    return function (job, onConsole) {
      return new Promise(function (resolve, reject) {
        var id = next++;
        jobs[id] = { resolve: resolve, reject: reject, onConsole: onConsole };
        var files = copies(job.files, job.onDisk);
        worker.postMessage({ id: id, args: job.args, files: files, input: job.input, onDisk: job.onDisk },
                           Object.keys(files).map(function (name) { return files[name].buffer; }));
      });
    };
  }

  // Each file as a copy of its bytes, handed over to the worker: a copy sent
  // as it is would be made twice, once in the message and once out of it, and
  // the message's stays until the worker collects its garbage. The caller
  // keeps its own bytes (the desk draws from the picture while it turns).
  // A file read from disk is not sent at all.
  function copies(files, onDisk) {
    var sent = {};
    Object.keys(files).forEach(function (name) { if (!onDisk[name]) sent[name] = files[name].slice(); });
    return sent;
  }

  // A worker where one can be made, else the page's own thread.
  function runner(tool) {
    if (!runners[tool]) {
      runners[tool] = factory(tool).then(function (Tool) {
        if (!Tool) throw new Error(missing);
        try {
          return workerRunner(tool, Tool);
        } catch (e) {
          inPage[tool] = String(e && e.message || e);
          return host(Tool, false);
        }
      });
    }
    return runners[tool];
  }
  var inPage = {}; // tool -> why it runs in the page's thread

  // From this size on a file chosen from disk is read from it: a copy of it
  // would weigh on the page's memory. Below, the copy is the faster way
  // (Chromium hands a worker a file's bytes at a few hundred MB/s).
  var limits = { fromDisk: 128 * 1024 * 1024 };

  // The files of options.onDisk {name: Blob} that still read from disk as
  // the page's bytes of them: a file changed or gone since it was chosen
  // (Chromium then refuses to read it, or a sample of it differs, where the
  // file system's times are too coarse to show the change) is handed over
  // from the page's bytes, which are the picture shown.
  function readableOnDisk(tool, files, onDisk) {
    var names = Object.keys(onDisk || {}).filter(function (name) {
      return files[name] && files[name].length >= limits.fromDisk && onDisk[name] instanceof Blob &&
        onDisk[name].size === files[name].length;
    });
    if (inPage[tool] !== undefined || !names.length) return Promise.resolve({});
    return Promise.all(names.map(function (name) { return readsAs(onDisk[name], files[name]); })).then(function (same) {
      var usable = {};
      names.forEach(function (name, i) { if (same[i]) usable[name] = onDisk[name]; });
      return usable;
    });
  }

  // Whether the Blob's start, end and 63 pieces spread between read as bytes.
  function readsAs(blob, bytes) {
    var PIECE = 4096, SPREAD = 64, n = bytes.length, starts = [];
    for (var i = 0; i <= SPREAD; i++) starts.push(Math.max(0, Math.round((n - PIECE) * i / SPREAD)));
    return Promise.all(starts.map(function (at) {
      var end = Math.min(n, at + PIECE);
      return blob.slice(at, end).arrayBuffer().then(function (buffer) {
        var read = new Uint8Array(buffer);
        if (read.length !== end - at) return false;
        for (var k = 0; k < read.length; k++) if (read[k] !== bytes[at + k]) return false;
        return true;
      });
    })).then(function (all) { return all.every(Boolean); }, function () { return false; });
  }

  // tool: 'kippdreh' …; args: its command line after the name; files {name: Uint8Array};
  // options.input, options.onConsole, options.onDisk {name: the Blob chosen
  // from disk whose bytes files[name] holds, read from it when large}.
  // Rejects, before the tool starts, with a German message when the tools
  // are missing or the work would not fit the page's memory.
  function run(tool, args, files, options) {
    options = options || {};
    if (TOOLS.indexOf(tool) < 0) return Promise.reject(new Error('Kein Werkzeug der Seite: ' + tool));
    var tooLarge = ToolMemory.refusal(tool, args, files);
    if (tooLarge) return Promise.reject(new Error(tooLarge));
    var onConsole = options.onConsole || function () {};
    files = files || {};
    return runner(tool).then(function (go) {
      return readableOnDisk(tool, files, options.onDisk).then(function (onDisk) {
        return go({ args: args.map(String), files: files, input: options.input || '', onDisk: onDisk }, onConsole);
      });
    });
  }

  return { run: run, available: available, missing: missing, tools: TOOLS.slice(), inPage: inPage, limits: limits };
});
