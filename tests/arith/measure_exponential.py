#!/usr/bin/env python3
"""Measures the tools' exponential against Python's decimal module on random
arguments in [-4, 4] (the tools meet sinh of latitudes up to pi/2 radians):
the largest error in units in the last place of the 64-bit mantissa, and how
many results are correctly rounded.
    tests/arith/measure_exponential.py build/release/tests/extendedmath_probe [count]
On 2026-12-08, 1,000,000 arguments: largest error 0.5237 units in the last
place (at -2.1335), 99.65% correctly rounded."""
import random
import subprocess
import sys
from decimal import Decimal, getcontext
from fractions import Fraction

from extended80 import from_bits, round_to_extended, to_bits, ulps

getcontext().prec = 50


def main():
    probe = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    rng = random.Random(2026)
    arguments = [round_to_extended(Fraction(rng.uniform(-4, 4))) for _ in range(count)]
    request = "".join("exp %s\n" % to_bits(x) for x in arguments)
    answer = subprocess.run([probe], input=request, capture_output=True, text=True, check=True).stdout.split()
    worst, worst_at, rounded = Fraction(0), None, 0
    for x, bits in zip(arguments, answer):
        exact = Fraction((Decimal(x.numerator) / Decimal(x.denominator)).exp())
        value = from_bits(bits)
        error = ulps(value, exact)
        rounded += value == round_to_extended(exact)
        if error > worst:
            worst, worst_at = error, x
    print("arguments: %d" % count)
    print("largest error: %.4f units in the last place (at %r)" % (float(worst), float(worst_at)))
    print("correctly rounded: %d (%.2f%%)" % (rounded, 100.0 * rounded / count))


main()
