#!/bin/sh
# Puts the arithmetic layer's extended type (arith/extended.hpp) where the
# tools wrote long double, so that the page build, which has no x87 unit,
# computes with the software type of the same results. Natively the type is
# long double itself: the programs stay as they were, bit for bit.
# Mechanical and repeatable: run it again after merging code that brings new
# long doubles into the tools' folders.
set -e
cd "$(dirname "$0")/.."
files=$(grep -rlE 'long double' --include='*.cpp' --include='*.hpp' kippdreh glattzug messkart passnetz \
  bandpass runframe bmpimage outputfile console 2>/dev/null || true)
[ -n "$files" ] || { echo "no long double left in the tools"; exit 0; }
# The few library calls on an extended value take the layer's functions.
sed -i \
  -e 's/long double/extended/g' \
  -e 's/std::fabs(static_cast<extended>/extendedAbs(static_cast<extended>/g' \
  -e 's/std::sqrt(static_cast<extended>/extendedSqrt(static_cast<extended>/g' \
  -e 's/std::to_chars(\([^;]*\), degrees,/extendedToChars(\1, degrees,/g' \
  $files
echo "$files"
