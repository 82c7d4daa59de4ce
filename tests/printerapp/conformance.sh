#!/usr/bin/env bash
# CUPS's IPP conformance tests against the printer application, inside
# tests/net/lab.sh:  conformance.sh BIN NETPRINTER OUT
# Runs ipp-everywhere.test, ipp-1.1.test and ipp-2.0.test (as Debian's
# cups-ipp-utils ships them) on a brindol_80 printer and writes the passed /
# failed counts per file, with every failed test, to OUT/summary.txt. It
# fails when a file cannot be run at all, or when a test fails that is not
# listed (with its reason) in conformance-known.txt.
set -uo pipefail
BIN=$1 NETPRINTER=$2 OUT=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/app_lab.sh"
app_lab_init
start_printer 10.77.1.2
start_app || exit 1
add_printer r80 brindol_80 socket://10.77.1.2:9100 || exit 1

# The tests name sample documents that Debian does not ship; ipptool will not
# start a file whose documents are missing. Each is stood in for by our own
# receipt page (PWG raster at 203 dpi): tests of resolutions and types the
# printer does not offer skip themselves.
"$BIN/receipt_sample" --compact "$OUT/page.pgm" && "$BIN/make_raster" "$OUT/page.pgm" "$OUT/page.pwg" || exit 1
mkdir -p "$OUT/suite"
cp /usr/share/cups/ipptool/*.test "$OUT/suite/"
sed -nE 's/^\s*FILE\s+([^$][^ ]*)\s*$/\1/p' "$OUT/suite/"*.test | sort -u | while read -r doc; do
  mkdir -p "$OUT/suite/$(dirname "$doc")"
  [[ -e $OUT/suite/$doc ]] || cp "$OUT/page.pwg" "$OUT/suite/$doc"
done

status=0
: >"$OUT/summary.txt"
for file in ipp-everywhere.test ipp-1.1.test ipp-2.0.test; do
  (cd "$OUT/suite" && ipptool -T 30 -t -I -f "$OUT/page.pwg" "$URI_BASE/r80" "$file") >"$OUT/$file.out" 2>&1
  # Counted from the per-test marks: a file that includes others has no
  # summary line of its own.
  local_pass=$(grep -cE '\[PASS\]' "$OUT/$file.out")
  local_fail=$(grep -cE '\[FAIL\]' "$OUT/$file.out")
  local_skip=$(grep -cE '\[SKIP\]' "$OUT/$file.out")
  if ((local_pass + local_fail == 0)); then
    echo "$file: did not run" >>"$OUT/summary.txt"
    status=1
    continue
  fi
  echo "$file: $local_pass passed, $local_fail failed, $local_skip skipped" >>"$OUT/summary.txt"
  grep -E '\[FAIL\]' "$OUT/$file.out" | sed -E 's/ +\[FAIL\]//; s/^ +//' | while read -r name; do
    echo "  FAIL $name" >>"$OUT/summary.txt"
    if ! grep -qxF "$file: $name" <(sed -nE 's/^([^#][^|]*[^ ]) +\|.*/\1/p' "$here/conformance-known.txt"); then
      echo "  ^ not a known failure" >>"$OUT/summary.txt"
    fi
  done
done
grep -q 'not a known failure' "$OUT/summary.txt" && status=1
cat "$OUT/summary.txt"
exit $status
