// One step of the chain run by a tool in the page: the command line shown in
// the step's box with the tool's console text as it prints and its exit code,
// the status line counting the seconds, the files it wrote added to the
// Dateien panel. A run that wrote nothing is a refusal: the tool's own
// message is shown, and nothing of the work changes.
define('ToolStep', ['Desk', 'PageTools', 'WorkFiles', 'ToolConsole'], function (Desk, PageTools, WorkFiles, ToolConsole) {
  'use strict';

  var busy = false;

  function element(tag, className, text) {
    var e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) e.textContent = text;
    return e;
  }

  // The picture shown, where it was chosen from disk, as its file there: the
  // tool reads it from that file rather than from a copy in the page.
  function chosenFromDisk(files) {
    var shown = Desk.state.picture, onDisk = {};
    Object.keys(files).forEach(function (name) {
      if (shown && shown.file && files[name] === shown.bytes) onDisk[name] = shown.file;
    });
    return onDisk;
  }

  // box: the step's element; tool, args, files as PageTools.run takes them;
  // wanted: the name of the file the step is for (or a pattern of it),
  // listed as keepAs when given (a .TMP renamed as the console user renames
  // it). Resolves to {ok, result, name, message}: ok when the tool wrote
  // wanted and ended with 0; name, the file it wrote.
  function run(box, tool, args, files, wanted, keepAs) {
    if (busy) { Desk.say('Ein Werkzeug läuft noch; bitte warten.', true); return Promise.resolve({ ok: false, message: 'beschäftigt' }); }
    busy = true;
    box.textContent = '';
    box.appendChild(element('p', null)).appendChild(element('code', 'befehl', tool + ' ' + args.join(' ')));
    var output = box.appendChild(element('pre', 'konsole'));
    var ending = box.appendChild(element('p', 'exitcode'));
    var started = Date.now(), seconds = -1;
    var tick = function () {
      var s = Math.floor((Date.now() - started) / 1000);
      if (s !== seconds) { seconds = s; Desk.say(tool + ' läuft … ' + (s ? s + ' s' : '')); }
    };
    tick();
    var timer = setInterval(tick, 250);
    return PageTools.run(tool, args, files, {
      onDisk: chosenFromDisk(files),
      onConsole: function (text) { output.textContent += text.replace(/\r\n/g, '\n').replace(/\x07/g, ''); }
    }).then(function (result) {
      ending.textContent = 'Exit-Code ' + result.code;
      var command = tool + ' ' + args.join(' '), written = Object.keys(result.files).filter(function (name) {
        return !files[name] && (typeof wanted === 'string' ? name === wanted : wanted.test(name));
      })[0];
      Object.keys(result.files).forEach(function (name) {
        if (files[name]) return;
        if (name === written && keepAs && result.code === 0) WorkFiles.add(keepAs, result.files[name], command + ' (als ' + name + ')');
        else WorkFiles.add(name, result.files[name], command);
      });
      if (result.code === 0 && written) return { ok: true, result: result, name: written };
      var message = tool + ': ' + ToolConsole.refusal(result.console);
      ending.appendChild(document.createTextNode(' – ' + message));
      ending.className = 'exitcode fehler';
      Desk.say(message + ' Die Arbeit bleibt, wie sie war.', true);
      return { ok: false, result: result, message: message };
    }, function (error) {
      var message = String(error && error.message || error);
      ending.textContent = message;
      ending.className = 'exitcode fehler';
      Desk.say(message, true);
      return { ok: false, message: message };
    }).then(function (outcome) {
      clearInterval(timer);
      busy = false;
      return outcome;
    });
  }

  return { run: run };
});
