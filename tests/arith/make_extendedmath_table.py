#!/usr/bin/env python3
"""Writes extendedmath_table.txt: arguments of the tools' transcendental
functions and their values, computed here independently of the tools with
Python's decimal module at 60 digits and rounded to 64-bit mantissas.

Sine and cosine are tabulated as the x87 unit computes them: it reduces its
argument with a 66-bit pi, which near the quarter turn decides the result,
so the reference is f(x * pi / pi66). Run once; the output is committed.
    tests/arith/make_extendedmath_table.py > tests/arith/extendedmath_table.txt
"""
import random
from decimal import Decimal, getcontext
from fractions import Fraction

from extended80 import round_to_double, round_to_extended, to_bits

getcontext().prec = 60
D = Decimal


def dec(f):
    return D(f.numerator) / D(f.denominator)


def frac(d):
    return Fraction(d)


def atan_series(x):
    # x small: x - x^3/3 + ...
    total, term, n = D(0), x, 1
    while True:
        step = term / n
        if abs(step) < D(10) ** -70:
            return total + step
        total += step
        term *= -x * x
        n += 2


def atan(x):
    if x < 0:
        return -atan(-x)
    if x > 1:
        return PI / 2 - atan(1 / x)
    halvings = 0
    while x > D("0.05"):
        x = x / (1 + (1 + x * x).sqrt())
        halvings += 1
    return atan_series(x) * (2 ** halvings)


PI = 16 * atan_series(D(1) / 5) - 4 * atan_series(D(1) / 239)
PI66 = D(0xC90FDAA22168C234C) / D(2) ** 66


def sin_cos(x):
    """sin and cos of a Decimal by reduction to |r| <= pi/4 and Taylor series."""
    k = int((x / (PI / 2)).to_integral_value())
    r = x - k * (PI / 2)
    s, c, term, n = D(0), D(0), D(1), 0
    while True:
        if n % 2 == 0:
            c += term if (n // 2) % 2 == 0 else -term
        else:
            s += term if (n // 2) % 2 == 0 else -term
        n += 1
        term = term * r / n
        if abs(term) < D(10) ** -75:
            break
    return [(s, c), (c, -s), (-s, -c), (-c, s)][k % 4]


def reference(function, x):
    xd = dec(x)
    if function == "exp":
        value = xd.exp()
    elif function == "atan":
        value = atan(xd)
    else:
        s, c = sin_cos(xd * PI / PI66)
        value = s if function == "sin" else c
    return round_to_extended(frac(value))


EXTENDED_PI = round_to_extended(frac(PI))


def tool_radians(degrees_text):
    """A latitude or angle as the tools form it: the double of the text, then
    extended steps, stored as a double."""
    d = round_to_double(Fraction(D(degrees_text)))
    return round_to_double(round_to_extended(round_to_extended(d / 180) * EXTENDED_PI))


def angle_radians(degrees_text):
    d = round_to_double(Fraction(D(degrees_text)))
    return round_to_double(round_to_extended(round_to_extended(d * EXTENDED_PI) / 180))


def main():
    rng = random.Random(15)
    cases = []
    quarter = round_to_double(round_to_extended(EXTENDED_PI / 2))
    for x in (quarter, -quarter, angle_radians("72.38"), angle_radians("-72.38"), angle_radians("45"),
              angle_radians("1.5"), angle_radians("89.99"), angle_radians("0.01")):
        cases += [("sin", x), ("cos", x)]
    for lat in ("23.246", "35.25", "38.186", "38.211", "47.336", "49.776", "63.841", "35.26", "49.786", "38.176",
                "47.5", "55", "90", "0.001"):
        for sign in ("", "-"):
            r = tool_radians(sign + lat)
            cases += [("exp", r), ("exp", -r)]
    for tilt in ("0.001", "0.1", "1", "2", "-0.5"):
        cases.append(("atan", round_to_extended(Fraction(D(tilt)))))
    for _ in range(80):
        cases.append(("exp", round_to_extended(Fraction(rng.uniform(-4, 4)))))
    for _ in range(40):
        x = round_to_extended(Fraction(rng.uniform(-1.6, 1.6)))
        cases += [("sin", x), ("cos", x)]
    for _ in range(40):
        cases.append(("atan", round_to_extended(Fraction(rng.uniform(-3, 3)))))
    print("# function argument value: 80-bit values as 20 hex digits (sign and exponent, mantissa)")
    for function, x in cases:
        x = round_to_extended(x)
        print(function, to_bits(x), to_bits(reference(function, x)))


main()
