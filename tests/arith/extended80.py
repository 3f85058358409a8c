"""80-bit extended values for the tables: exact rationals, rounding to a
64-bit mantissa (halves to even), and the 20-hex-digit form of the probe."""
from fractions import Fraction


def round_to_bits(value, bits):
    """The nearest value with `bits` significant bits to a Fraction, halves to even."""
    if value == 0:
        return Fraction(0)
    sign = -1 if value < 0 else 1
    a = abs(value)
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    # 2^e <= a < 2^(e+1)
    scaled = a * Fraction(2) ** (bits - 1 - e)
    m = scaled.numerator // scaled.denominator
    rest = scaled - m
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and m % 2 == 1):
        m += 1
    return sign * Fraction(m) * Fraction(2) ** (e - bits + 1)


def round_to_extended(value):
    return round_to_bits(value, 64)


def round_to_double(value):
    return round_to_bits(value, 53)


def to_bits(value):
    """20 hex digits: sign and biased exponent, then the explicit 64-bit mantissa."""
    if value == 0:
        return "0000" + "0" * 16
    sign = 0x8000 if value < 0 else 0
    a = abs(value)
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    m = a * Fraction(2) ** (63 - e)
    assert m.denominator == 1, "not an extended value"
    return "%04X%016X" % (sign | (e + 16383), m.numerator)


def from_bits(text):
    top = int(text[:4], 16)
    m = int(text[4:], 16)
    if top & 0x7FFF == 0 and m == 0:
        return Fraction(0)
    e = (top & 0x7FFF) - 16383
    v = Fraction(m) * Fraction(2) ** (e - 63)
    return -v if top & 0x8000 else v


def ulps(value, reference):
    """|value - reference| in units in the last place of the reference."""
    a = abs(reference)
    e = a.numerator.bit_length() - a.denominator.bit_length()
    if Fraction(2) ** e > a:
        e -= 1
    return abs(value - reference) / Fraction(2) ** (e - 63)
