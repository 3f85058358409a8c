// The page's modules and the order they start in. Each script names its
// module and the modules it needs: define('Frame', ['Lines'], function (Lines) {...}).
// A module starts as soon as everything it needs has started, whatever the
// order of the scripts, and its factory's value is what the modules that
// need it are handed; nothing is reached through a global. After the last
// script the page checks that every module started, and names a module that
// is missing or a ring of modules that wait for each other.
//
// A module may also arrive after the scripts, from something read or compiled
// first (code compiled to WebAssembly, say): whatever needs it starts when it
// is defined. The check at the end would then have to be told to wait for it.
//
// The calibration model (messkart/) stays a plain script shared with
// node's require; the modules that use it look for it when called, so that
// the page still opens without it.
var define = (function () {
  'use strict';

  // A fresh set of modules: define(name, needs, factory) with check(),
  // modules() and started() beside it.
  function registry() {
    var waiting = [], done = {}, order = [], failed = {};

    function has(name) { return Object.prototype.hasOwnProperty.call(done, name); }
    function waitingFor(name) { return waiting.filter(function (m) { return m.name === name; })[0] || null; }

    function start(module) {
      waiting.splice(waiting.indexOf(module), 1);
      try {
        done[module.name] = module.factory.apply(null, module.needs.map(function (name) { return done[name]; }));
      } catch (error) {
        failed[module.name] = true;
        throw error;
      }
      order.push(module.name);
    }

    // Starts every module that can start now, in the order defined.
    function settle() {
      for (var i = 0; i < waiting.length; i++) {
        if (waiting[i].needs.every(has)) { start(waiting[i]); i = -1; }
      }
    }

    function define(name, needs, factory) {
      if (typeof name !== 'string' || !Array.isArray(needs) || typeof factory !== 'function') {
        throw new Error('define(name, needs, factory): ' + String(name) + ' ist falsch aufgerufen.');
      }
      if (has(name) || waitingFor(name) || failed[name]) throw new Error('Das Modul ' + name + ' ist zweimal definiert.');
      waiting.push({ name: name, needs: needs.slice(), factory: factory });
      settle();
    }

    // A ring among the waiting modules, as [a, b, ..., a], or null.
    function ring() {
      var seen = {};
      function walk(name, path) {
        var at = path.indexOf(name);
        if (at >= 0) return path.slice(at).concat(name);
        if (seen[name]) return null;
        seen[name] = true;
        var module = waitingFor(name);
        if (!module) return null;
        for (var i = 0; i < module.needs.length; i++) {
          var found = walk(module.needs[i], path.concat(name));
          if (found) return found;
        }
        return null;
      }
      for (var i = 0; i < waiting.length; i++) {
        var found = walk(waiting[i].name, []);
        if (found) return found;
      }
      return null;
    }

    // Throws, naming what is wrong, unless every module defined has started.
    function check() {
      if (!waiting.length) return;
      var missing = {};
      waiting.forEach(function (m) {
        m.needs.forEach(function (name) {
          if (!has(name) && !waitingFor(name)) (missing[name] = missing[name] || []).push(m.name);
        });
      });
      var names = Object.keys(missing);
      if (names.length) {
        throw new Error(names.map(function (name) {
          return 'Das Modul ' + name + (failed[name] ? ' ist beim Start gescheitert' : ' fehlt') +
            ' (gebraucht von ' + missing[name].join(', ') + ')';
        }).join('; ') + '.');
      }
      var circle = ring();
      if (circle) throw new Error('Diese Module warten aufeinander: ' + circle.join(' → ') + '.');
      throw new Error('Diese Module sind nicht gestartet: ' + waiting.map(function (m) { return m.name; }).join(', ') + '.');
    }

    define.check = check;
    // the started modules by name, for the tests and the developer tools
    define.modules = function () { return Object.assign({}, done); };
    define.started = function () { return order.slice(); };
    return define;
  }

  var pageDefine = registry();
  pageDefine.registry = registry;
  if (typeof document !== 'undefined') {
    document.addEventListener('DOMContentLoaded', function () {
      try {
        pageDefine.check();
      } catch (error) {
        var line = document.getElementById('status-meldung');
        if (line) { line.textContent = 'Der Messtisch ist unvollständig: ' + error.message; line.className = 'fehler'; }
        throw error;
      }
    });
  }
  return pageDefine;
})();
if (typeof module !== 'undefined') module.exports = define;
