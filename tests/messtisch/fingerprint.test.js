// The name kept work is stored under: FNV-1a over the size, the header and
// samples of the bytes; a byte between the samples does not change it, a
// sampled one or the size does.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const { Fingerprint } = require('./desklib');

// FNV-1a, 32 bits, over a list of byte values
function fnv(values) {
  let hash = 0x811c9dc5;
  for (const v of values) hash = Math.imul(hash ^ (v & 0xff), 16777619) >>> 0;
  return hash;
}

test('the reference hash is FNV-1a', () => {
  assert.strictEqual(fnv([0x61]), 0xe40c292c); // "a"
});

test('a small file: its size, its header and then every byte', () => {
  const bytes = Uint8Array.from([66, 77, 5, 0, 250]);
  const expected = '5-' + fnv([5, 0, 0, 0, 66, 77, 5, 0, 250, 66, 77, 5, 0, 250]).toString(16);
  assert.strictEqual(Fingerprint.of(bytes), expected);
});

test('a large file: 16 bytes sampled every n / 4096', () => {
  const n = 100000, stride = 24; // floor(100000 / 4096)
  const bytes = new Uint8Array(n).map((_, i) => (i * 31) % 251);
  const name = Fingerprint.of(bytes);
  assert.match(name, /^186a0-[0-9a-f]{1,8}$/);
  const changed = (at) => { const copy = bytes.slice(); copy[at] ^= 1; return Fingerprint.of(copy); };
  assert.strictEqual(changed(stride * 100 + 16), name, 'a byte between the samples');
  assert.notStrictEqual(changed(stride * 100 + 15), name, 'the last byte of a sample');
  assert.notStrictEqual(changed(30), name, 'a byte of the header');
  assert.notStrictEqual(Fingerprint.of(bytes.slice(0, n - 1)), name, 'one byte shorter');
});
