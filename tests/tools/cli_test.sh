#!/usr/bin/env bash
# The command lines of bandhost and rasterview: the contract other checks
# rely on (options in any order, values taken verbatim, bands cut from the
# top, PGM and PNG pages) and their errors (message, non-zero exit).
# Usage: cli_test.sh BIN_DIR WORK_DIR
set -uo pipefail
bin=$1 work=$2
mkdir -p "$work"
cd "$work" || exit 2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_exit() {  # expected-status description command...
  local want=$1 what=$2; shift 2
  "$@" >out.txt 2>err.txt
  local got=$?
  ((got == want)) || fail "$what: exit $got, expected $want ($(head -c 300 err.txt))"
}
# Rows of GS v 0 blocks in a stream, one number per block.
block_rows() {
  python3 - "$1" <<'PY'
import sys
data, at, rows = open(sys.argv[1], 'rb').read(), 0, []
while at < len(data):
    if data[at] == 0x1D:
        rows.append(data[at + 6] | data[at + 7] << 8)
        at += 8 + (data[at + 4] | data[at + 5] << 8) * rows[-1]
    else:
        at += 3
print(' '.join(map(str, rows)))
PY
}

# A 100 x 300 page: a gradient, and the same pixels as an 8-bit gray PNG.
python3 - <<'PY'
import struct, zlib
w, h = 100, 300
pixels = bytes((x * 2 + y) % 256 for y in range(h) for x in range(w))
open('page.pgm', 'wb').write(b'P5\n# a comment\n%d %d\n255\n' % (w, h) + pixels)
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
raw = b''.join(b'\0' + pixels[y * w:(y + 1) * w] for y in range(h))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 0, 0, 0, 0))
open('page.png', 'wb').write(png + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
open('rgb.png', 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 1, 1, 8, 2, 0, 0, 0)))
PY

# Bands of 256 rows from the top, the last one shorter: 256 = 10 x 24 + 16, 44 = 24 + 20.
expect_exit 0 "default run" "$bin/bandhost" page.pgm -o default.bin
[[ $(block_rows default.bin) == "24 24 24 24 24 24 24 24 24 24 16 24 20" ]] ||
  fail "band cutting: $(block_rows default.bin)"
expect_exit 0 "band height" "$bin/bandhost" --band-height 100 page.pgm -o bands100.bin
[[ $(block_rows bands100.bin) == "24 24 24 24 4 24 24 24 24 4 24 24 24 24 4" ]] ||
  fail "--band-height 100: $(block_rows bands100.bin)"

# Options and page in any order; HT_NONE is the default; no name thresholds too.
expect_exit 0 "page first" "$bin/bandhost" page.pgm --halftone HT_NONE -o ordered.bin
expect_exit 0 "output first" "$bin/bandhost" -o no-name.bin --no-halftone page.pgm
cmp -s default.bin ordered.bin || fail "an explicit HT_NONE differs from the default"
cmp -s default.bin no-name.bin || fail "--no-halftone differs from HT_NONE"
expect_exit 0 "PNG page" "$bin/bandhost" page.png -o png.bin
cmp -s default.bin png.bin || fail "the PNG page prints differently from the same PGM page"

# Values are taken verbatim: empty, blanks, tabs, a leading letter.
expect_exit 0 "empty offset" "$bin/bandhost" --offset "" page.pgm -o empty.bin
cmp -s default.bin empty.bin || fail "an empty offset text shifted the band"
expect_exit 0 "offset with a tab" "$bin/bandhost" --offset $'P\t10' page.pgm -o tab.bin
expect_exit 0 "offset plain" "$bin/bandhost" --offset P10 page.pgm -o p10.bin
cmp -s tab.bin p10.bin || fail "P<tab>10 and P10 print differently"
expect_exit 0 "translate with a blank" "$bin/bandhost" --translate "TRANS_180 " page.pgm -o blank.bin
cmp -s default.bin blank.bin || fail "'TRANS_180 ' turned the page"
expect_exit 0 "callback id 2" "$bin/bandhost" --callback-id 2 page.pgm -o declined.bin
[[ -f declined.bin && ! -s declined.bin ]] || fail "declined bands must give an empty stream"

# Usage and runtime errors.
expect_exit 2 "no arguments" "$bin/bandhost"
grep -q "usage: bandhost" err.txt || fail "no usage text"
expect_exit 2 "unknown option" "$bin/bandhost" --colour page.pgm -o x.bin
expect_exit 2 "missing value" "$bin/bandhost" page.pgm -o
expect_exit 2 "bad band height" "$bin/bandhost" --band-height 0 page.pgm -o x.bin
expect_exit 2 "both halftone options" "$bin/bandhost" --halftone HT_Sierra --no-halftone page.pgm -o x.bin
expect_exit 2 "two pages" "$bin/bandhost" page.pgm page.png -o x.bin
expect_exit 1 "missing page" "$bin/bandhost" nothing.pgm -o x.bin
expect_exit 1 "colour PNG" "$bin/bandhost" rgb.png -o x.bin
expect_exit 1 "plug-in that will not load" "$bin/bandhost" --plugin ./nothing.so page.pgm -o x.bin
grep -q "cannot load" err.txt || fail "no message for an unloadable plug-in"

# rasterview: PBM of a known stream on either kind of printer, PNG output,
# malformed input.
printf '\x1d\x76\x30\x00\x01\x00\x02\x00\x81\x7e\x1b\x4a\x03' >small.bin
expect_exit 0 "rasterview PBM" "$bin/rasterview" small.bin -o small.pbm
[[ $(od -An -tx1 small.pbm | tr -d ' \n') == "50340a3820330a817e00" ]] || fail "PBM content: $(od -An -tx1 small.pbm)"
# Where the block advances the paper, its 2 rows come before the 3-dot feed.
expect_exit 0 "rasterview generic" "$bin/rasterview" small.bin --convention generic -o generic.pbm
[[ $(od -An -tx1 generic.pbm | tr -d ' \n') == "50340a3820350a817e000000" ]] ||
  fail "PBM under the generic convention: $(od -An -tx1 generic.pbm)"
expect_exit 2 "unknown convention" "$bin/rasterview" --convention epson small.bin -o x.pbm
expect_exit 0 "rasterview PNG" "$bin/rasterview" -o default.png default.bin
[[ $(head -c 4 default.png | od -An -tx1 | tr -d ' ') == "89504e47" ]] || fail "not a PNG"
printf '\x1b\x4a\x18\x1d\x76\x30\x00\x01\x00\x02\x00\x81' >bad.bin
expect_exit 1 "malformed stream" "$bin/rasterview" bad.bin -o bad.png
grep -q "offset 3" err.txt || fail "the malformed stream's offset is not named: $(cat err.txt)"
expect_exit 2 "rasterview without output" "$bin/rasterview" small.bin
expect_exit 2 "rasterview unknown format" "$bin/rasterview" small.bin -o small.gif

((failures == 0)) && echo "all command-line checks passed"
((failures == 0))
