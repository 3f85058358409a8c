// The page's define: modules start in the order of what they need, whatever
// the order they are defined in, and a missing module or a ring of modules
// waiting for each other is named.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const define = require('../../messtisch/js/define.js');
const { root } = require('./support');

test('a module starts once what it needs has started, with those modules handed in', () => {
  const d = define.registry(), ran = [];
  d('C', ['A', 'B'], (A, B) => { ran.push('C'); return A + B; });
  d('B', ['A'], (A) => { ran.push('B'); return A * 10; });
  assert.deepStrictEqual(ran, []);
  d('A', [], () => { ran.push('A'); return 4; });
  assert.deepStrictEqual(ran, ['A', 'B', 'C']);
  assert.deepStrictEqual(d.modules(), { A: 4, B: 40, C: 44 });
  assert.deepStrictEqual(d.started(), ['A', 'B', 'C']);
  d.check();
});

test('a module that returns nothing still counts as started', () => {
  const d = define.registry();
  d('Tab', [], () => {});
  d('Start', ['Tab'], (Tab) => (Tab === undefined ? 'ok' : 'wrong'));
  assert.strictEqual(d.modules().Start, 'ok');
  d.check();
});

const cases = [
  { name: 'missing', defs: [['Frame', ['Lines']], ['Tab', ['Frame', 'Desk']]],
    message: 'Das Modul Lines fehlt (gebraucht von Frame); Das Modul Desk fehlt (gebraucht von Tab).' },
  { name: 'ring of two', defs: [['Desk', ['Overlays']], ['Overlays', ['Desk']]],
    message: 'Diese Module warten aufeinander: Desk → Overlays → Desk.' },
  { name: 'ring of three behind a free one', defs: [['Free', []], ['A', ['Free', 'B']], ['B', ['C']], ['C', ['A']]],
    message: 'Diese Module warten aufeinander: A → B → C → A.' },
  { name: 'itself', defs: [['Self', ['Self']]], message: 'Diese Module warten aufeinander: Self → Self.' },
];
for (const c of cases) {
  test('check names what is wrong: ' + c.name, () => {
    const d = define.registry();
    c.defs.forEach(([name, needs]) => d(name, needs, () => name));
    assert.throws(() => d.check(), { message: c.message });
  });
}

test('a module defined twice or defined wrongly is refused', () => {
  const d = define.registry();
  d('A', [], () => 1);
  assert.throws(() => d('A', [], () => 2), { message: 'Das Modul A ist zweimal definiert.' });
  assert.throws(() => d('B', 'A', () => 2), { message: 'define(name, needs, factory): B ist falsch aufgerufen.' });
  assert.strictEqual(d.modules().A, 1);
});

test('a module whose start failed is named as such, not as missing', () => {
  const d = define.registry();
  assert.throws(() => d('Broken', [], () => { throw new Error('kaputt'); }), { message: 'kaputt' });
  d('User', ['Broken'], () => 1);
  assert.throws(() => d.check(), { message: 'Das Modul Broken ist beim Start gescheitert (gebraucht von User).' });
});

// The page's own scripts, in reverse order of the page: every module starts,
// and the page's start comes last.
test('the page\'s modules start in any script order', () => {
  const html = fs.readFileSync(path.join(root, 'messtisch/index.html'), 'utf8');
  const scripts = [...html.matchAll(/<script src="js\/([^"]+)"><\/script>/g)].map((m) => m[1]).filter((f) => f !== 'define.js');
  const d = define.registry(), seen = [];
  for (const file of scripts.reverse()) {
    const first = fs.readFileSync(path.join(root, 'messtisch/js', file), 'utf8').split('\n').find((l) => l.startsWith('define('));
    const m = /^define\('(\w+)', \[([^\]]*)\]/.exec(first);
    assert.ok(m, file + ' opens no module');
    d(m[1], m[2] ? m[2].split(', ').map((s) => s.slice(1, -1)) : [], () => { seen.push(m[1]); return m[1]; });
  }
  d.check();
  assert.strictEqual(seen.length, scripts.length);
  assert.strictEqual(seen[seen.length - 1], 'Start');
  assert.ok(seen.indexOf('Lines') < seen.indexOf('Frame') && seen.indexOf('Desk') < seen.indexOf('Overlays'));
});
