// The memory file system of the page's build as the tools use it: a file's
// length changed in place where its array has room, the bytes beyond the
// length always reading zero, whatever the order of lengthening, shortening
// and writing.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const { toolFile } = require('./runpagetool.js');

async function instance() {
  assert.ok(fs.existsSync(toolFile('kippdreh')), `${toolFile('kippdreh')}: scripts/build-page-tools`);
  const factory = require(toolFile('kippdreh'));
  return factory({ noInitialRun: true, print() {}, printErr() {} });
}

const contents = (FS, name) => Array.from(FS.readFile(name));
const storage = (FS, name) => FS.lookupPath(name).node.contents;

test('a file lengthened twice keeps its bytes and reads zeros behind them, in one array', async () => {
  const { FS } = await instance();
  FS.writeFile('/a', new Uint8Array([7, 8, 9]));
  FS.truncate('/a', 6400);
  const first = storage(FS, '/a');
  assert.strictEqual(first.length, 6500, 'a sixty-fourth more room than asked for');
  FS.truncate('/a', 6403);
  assert.strictEqual(storage(FS, '/a'), first, 'the second lengthening stays in place');
  const bytes = contents(FS, '/a');
  assert.strictEqual(bytes.length, 6403);
  assert.deepStrictEqual(bytes.slice(0, 4), [7, 8, 9, 0]);
  assert.ok(bytes.slice(3).every((b) => b === 0));
});

test('shortened in place, a file lengthened again reads zeros where its old bytes were', async () => {
  const { FS } = await instance();
  FS.writeFile('/b', new Uint8Array(64).map((_, i) => i + 1));
  FS.truncate('/b', 10);
  FS.truncate('/b', 20);
  assert.deepStrictEqual(contents(FS, '/b'), [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]);
  // a write behind the end leaves zeros between, as on a disk
  const stream = FS.open('/b', 'r+');
  FS.write(stream, new Uint8Array([99]), 0, 1, 30);
  FS.close(stream);
  const bytes = contents(FS, '/b');
  assert.strictEqual(bytes.length, 31);
  assert.deepStrictEqual(bytes.slice(18), [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 99]);
});

test('a new file lengthened gets its room at once; emptied, it lets its array go', async () => {
  const { FS } = await instance();
  FS.writeFile('/c', new Uint8Array(0));
  FS.truncate('/c', 64 * 1000);
  assert.strictEqual(storage(FS, '/c').length, 65 * 1000);
  assert.ok(contents(FS, '/c').every((b) => b === 0));
  FS.truncate('/c', 0);
  assert.strictEqual(storage(FS, '/c'), null);
  assert.deepStrictEqual(contents(FS, '/c'), []);
});
