// x87 extended precision in software: 64-bit mantissas, rounding to nearest
// with ties to even after every operation, as messkart computes. A value is
// {s, m, e}: (-1)^s * m * 2^e with m a BigInt of exactly 64 bits, or a zero,
// an infinity or NaN. Only what messkart's reading and fitting needs.
var Extended = (function () {
  'use strict';

  function zero(s) { return { k: 'zero', s: s }; }
  function inf(s) { return { k: 'inf', s: s }; }
  var NAN = { k: 'nan', s: 0 };

  // Four bits a hex digit; the first digit's own length from clz32.
  function bitLength(n) {
    if (n === 0n) return 0;
    var hex = n.toString(16);
    return 4 * (hex.length - 1) + 32 - Math.clz32(parseInt(hex[0], 16));
  }

  // The nearest value with `bits` significant bits to (-1)^s * mag * 2^e.
  function rounded(s, mag, e, bits) {
    if (mag === 0n) return zero(s);
    var length = bitLength(mag);
    if (length > bits) {
      var shift = BigInt(length - bits);
      var q = mag >> shift, rest = mag & ((1n << shift) - 1n), half = 1n << (shift - 1n);
      if (rest > half || (rest === half && (q & 1n) === 1n)) q += 1n;
      e += length - bits;
      if (bitLength(q) > bits) { q >>= 1n; e += 1; }
      mag = q;
    } else if (length < bits) {
      mag <<= BigInt(bits - length);
      e -= bits - length;
    }
    return { k: 'num', s: s, m: mag, e: e };
  }

  function make(s, mag, e) {
    var v = rounded(s, mag, e, 64);
    if (v.k === 'num' && v.e + 63 > 16383) return inf(s);
    return v;
  }

  function fromBigInt(n) { return n < 0n ? make(1, -n, 0) : make(0, n, 0); }
  function fromInt(n) { return fromBigInt(BigInt(n)); }

  // A hex literal of the C++ source: "-0xB17217F7D1D00000p-69".
  function fromHex(text) {
    var match = /^(-?)0x([0-9A-Fa-f]+)p(-?\d+)$/.exec(text);
    return make(match[1] ? 1 : 0, BigInt('0x' + match[2]), Number(match[3]));
  }

  var doubleBits = new DataView(new ArrayBuffer(8));

  function fromDouble(x) {
    if (Number.isNaN(x)) return NAN;
    if (x === Infinity) return inf(0);
    if (x === -Infinity) return inf(1);
    doubleBits.setFloat64(0, x);
    var bits = doubleBits.getBigUint64(0), s = Number(bits >> 63n), biased = Number((bits >> 52n) & 0x7FFn);
    var fraction = bits & ((1n << 52n) - 1n);
    if (biased === 0) return fraction === 0n ? zero(s) : make(s, fraction, -1074);
    return make(s, fraction | (1n << 52n), biased - 1075);
  }

  // The double it is stored as (rounded to 53 bits; beyond the range: an infinity).
  function toDouble(v) {
    if (v.k === 'nan') return NaN;
    if (v.k === 'inf') return v.s ? -Infinity : Infinity;
    if (v.k === 'zero') return v.s ? -0 : 0;
    var d = rounded(v.s, v.m, v.e, 53);
    if (d.e + 52 > 1023) return d.s ? -Infinity : Infinity;
    var value = Number(d.m), e = d.e;
    while (e > 0) { var step = Math.min(e, 600); value *= Math.pow(2, step); e -= step; }
    while (e < 0) { var down = Math.min(-e, 600); value /= Math.pow(2, down); e += down; }
    return d.s ? -value : value;
  }

  function negate(a) { return a.k === 'nan' ? a : Object.assign({}, a, { s: 1 - a.s }); }

  function add(a, b) {
    if (a.k === 'nan' || b.k === 'nan') return NAN;
    if (a.k === 'inf' || b.k === 'inf') {
      if (a.k === 'inf' && b.k === 'inf' && a.s !== b.s) return NAN;
      return a.k === 'inf' ? a : b;
    }
    if (a.k === 'zero' && b.k === 'zero') return zero(a.s & b.s);
    if (a.k === 'zero') return b;
    if (b.k === 'zero') return a;
    // Far apart, the smaller is below half a unit of the larger's last place.
    if (a.e - b.e > 140) return a;
    if (b.e - a.e > 140) return b;
    var e = Math.min(a.e, b.e);
    var ma = a.m << BigInt(a.e - e), mb = b.m << BigInt(b.e - e);
    var sum = (a.s ? -ma : ma) + (b.s ? -mb : mb);
    if (sum === 0n) return zero(0);
    return sum < 0n ? make(1, -sum, e) : make(0, sum, e);
  }

  function sub(a, b) { return add(a, negate(b)); }

  function mul(a, b) {
    var s = a.s ^ b.s;
    if (a.k === 'nan' || b.k === 'nan') return NAN;
    if (a.k === 'inf' || b.k === 'inf') return (a.k === 'zero' || b.k === 'zero') ? NAN : inf(s);
    if (a.k === 'zero' || b.k === 'zero') return zero(s);
    return make(s, a.m * b.m, a.e + b.e);
  }

  function div(a, b) {
    var s = a.s ^ b.s;
    if (a.k === 'nan' || b.k === 'nan') return NAN;
    if (a.k === 'inf') return b.k === 'inf' ? NAN : inf(s);
    if (b.k === 'inf') return zero(s);
    if (b.k === 'zero') return a.k === 'zero' ? NAN : inf(s);
    if (a.k === 'zero') return zero(s);
    // 130 more bits than needed, and a sticky bit for what the division left.
    var scaled = a.m << 130n, q = scaled / b.m, rest = scaled % b.m;
    return make(s, (q << 1n) | (rest === 0n ? 0n : 1n), a.e - b.e - 131);
  }

  function ldexp(a, k) { return a.k === 'num' ? make(a.s, a.m, a.e + k) : a; }

  // The integer value of an integral extended value, as a BigInt.
  function toBigInt(a) {
    if (a.k !== 'num') return 0n;
    var n = a.e >= 0 ? a.m << BigInt(a.e) : a.m >> BigInt(-a.e);
    return a.s ? -n : n;
  }

  function compare(a, b) {
    var d = toDouble(sub(a, b));
    return d < 0 ? -1 : d > 0 ? 1 : 0;
  }

  function isNaN(a) { return a.k === 'nan'; }
  function isZero(a) { return a.k === 'zero'; }

  // The exact decimal text of a double with four decimals, rounded half to
  // even on the exact value; "-" when the value is negative, even when it
  // rounds to zero (a negative zero itself is written without it).
  function fixedFour(x) {
    if (x === 0) return '0.0000';
    var v = fromDouble(x), scaled = v.m * 10000n, q, rest, half;
    if (v.e >= 0) {
      q = scaled << BigInt(v.e);
    } else {
      var shift = BigInt(-v.e);
      q = scaled >> shift;
      rest = scaled & ((1n << shift) - 1n);
      half = 1n << (shift - 1n);
      if (rest > half || (rest === half && (q & 1n) === 1n)) q += 1n;
    }
    var digits = q.toString().padStart(5, '0');
    return (v.s ? '-' : '') + digits.slice(0, -4) + '.' + digits.slice(-4);
  }

  return {
    fromInt: fromInt, fromHex: fromHex, fromDouble: fromDouble, toDouble: toDouble, toBigInt: toBigInt,
    add: add, sub: sub, mul: mul, div: div, negate: negate, ldexp: ldexp, compare: compare,
    isNaN: isNaN, isZero: isZero, inf: inf, zero: zero, fixedFour: fixedFour
  };
})();
if (typeof module !== 'undefined') module.exports = Extended;
