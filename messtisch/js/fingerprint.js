// The name a picture's kept work is stored under (keep.js): the picture's
// size and a hash of samples of its bytes: the same whatever the file is
// called, and another picture's work is not offered for this one.
define('Fingerprint', [], function () {
  'use strict';

  // FNV-1a over the size, the header and 4096 samples of 16 bytes spread
  // over the file: a few milliseconds even for several hundred megabytes.
  function of(bytes) {
    var hash = 0x811c9dc5, n = bytes.length;
    function mix(value) { hash = Math.imul(hash ^ (value & 0xff), 16777619) >>> 0; }
    for (var s = 0; s < 4; s++) mix(n >>> (8 * s));
    for (var i = 0; i < Math.min(n, 54); i++) mix(bytes[i]);
    var samples = 4096, stride = Math.max(16, Math.floor(n / samples));
    for (var at = 0; at < n; at += stride) for (var j = at; j < Math.min(n, at + 16); j++) mix(bytes[j]);
    return n.toString(16) + '-' + hash.toString(16);
  }

  return { of: of };
});
