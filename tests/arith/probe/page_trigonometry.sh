#!/bin/sh
# The turn's trigonometry of the page's build against the x87 over every
# argument a user reaches: every g= with up to two decimals both ways, and
# x= and y= shifts up to 2000 (every size to 10000 for the stored angle,
# every seventh for the extended bits). Stored values and picture sizes must
# agree; what differs in extended precision alone is counted.
#   page_trigonometry.sh NATIVE_PROBE PAGE_PROBE_JS
set -e
native="$1"
page="$2"
[ -f "$page" ] || { echo "$page is missing: scripts/build-page-tools builds it."; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
here="$(dirname "$0")"
for mode in angles shifts; do
  "$native" $mode "$work/$mode-native.bin"
  node "$page" $mode "$work/$mode-page.bin"
  node "$here/compare_x87trig.js" $mode "$work/$mode-native.bin" "$work/$mode-page.bin"
done
"$native" candidates "$work/candidates.txt"
node "$page" check "$work/candidates.txt" > "$work/other.txt"
echo "shifts on every size: $(wc -l < "$work/candidates.txt") angles near a tie of doubles, $(wc -l < "$work/other.txt") stored otherwise"
cat "$work/other.txt"
[ ! -s "$work/other.txt" ]
