#!/usr/bin/env bash
# End-to-end checks of the printer application, run inside tests/net/lab.sh:
#   e2e.sh SUITE BIN NETPRINTER OUT
# bytes:       jobs in every format and setting; the stream netprinter stores
#              must equal bandhost's for the same page, its blank paper above
#              and below the content trimmed (unless receipt-length=page or
#              landscape), and settings, plus the job's cut and drawer
#              commands, and rasterview must draw it; the same over a serial
#              line (a pseudo-terminal) as over the socket. The generic drivers'
#              jobs, drawn by a printer whose blocks advance the paper, must be
#              the picture of bandhost's stream.
# bad-input:   broken documents and printers end jobs with a clear reason, and
#              the application keeps serving.
# discovery:   the brindol-net scheme lists the printers that answer.
# conformance: CUPS's IPP conformance tests (ipp-everywhere, ipp-1.1, ipp-2.0 as
#              Debian's cups-ipp-utils ships them); counts and failed tests in
#              OUT/summary.txt. A failure not listed, with its reason, in
#              conformance-known.txt fails the suite. Then Get-Printer-Attributes
#              as CUPS asks it (all,media-col-database) must return our settings.
# browser:     the web interface in headless chromium (screenshots in OUT); a
#              halftone method chosen on the printing defaults page is the one
#              the next job without a halftone of its own is printed with.
# status:      printers that run out of paper mid-job, have their cover open
#              or never answer status requests: the job waits with the reason
#              in printer-state-reasons and prints in full once the printer is
#              ready; a printer that never answers costs one short wait.
# dnssd:       after the DNS-SD daemon restarts, the printer is announced
#              again (needs avahi-daemon installed; not installed by the
#              scripts, as a system's package would start it on the host).
# lifecycle:   jobs and a conformance run, then shutdown with a keep-alive
#              client connected and a restart at once on every address: the
#              state is read back whole, IPv4 is served, the history and a job
#              that could not print yet are kept; a server that cannot bind
#              every listener exits non-zero and names it.
# cups:        a private cupsd adds the printer as a driverless queue and prints
#              PDFs, a JPEG and a text file: jobs complete, the standard
#              options choose the halftone and the cut, the paper fed follows
#              the content; after a restart CUPS prints on.
set -uo pipefail
suite=$1 BIN=$2 NETPRINTER=$3 OUT=$4
# The DNS-SD suite runs a system bus and a DNS-SD daemon of its own, over a
# private /run, in the lab's network namespace.
if [[ $suite == dnssd && -z ${BRINDOL_PRIVATE_RUN:-} ]]; then
  BRINDOL_PRIVATE_RUN=1 exec unshare -m --propagation private bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
source "$here/app_lab.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

# Shows the first difference of two streams, with the bytes around it.
explain_difference() {
  local first at file
  first=$(cmp "$1" "$2" 2>&1 | head -n 1)
  echo "      $first (expected $(stat -c %s "$1") bytes, got $(stat -c %s "$2"))"
  at=$(sed -nE 's/.*byte ([0-9]+).*/\1/p' <<<"$first")
  for file in ${at:+"$1" "$2"}; do
    xxd -s $((at > 16 ? at - 16 : 0)) -l 48 "$file" | sed "s|^|      ${file##*/}: |"
  done
}

# expect_job NAME EXPECTED N: once N jobs are stored, the newest must equal
# EXPECTED, and rasterview must draw it, cuts and drawer pulses included.
expect_job() {
  local name=$1 expected=$2 want=$3
  if ! wait_jobs "$want"; then
    fail "$name: the printer received no job ($JOB_STATE)"
  elif cmp -s "$expected" "$(last_job)"; then
    if "$BIN/rasterview" "$(last_job)" -o "$OUT/view.png" >"$OUT/rasterview.out" 2>&1; then
      pass "$name"
    else
      fail "$name: rasterview cannot draw the job: $(cat "$OUT/rasterview.out")"
    fi
  else
    fail "$name: stream differs from bandhost's"
    explain_difference "$expected" "$(last_job)"
  fi
}

# print_to_head NAME N PRINTER FILE FORMAT [setting=value...]: for what bandhost
# does not draw (PNG, JPEG, scaled pages) the job must complete and the N-th
# stored job be a valid stream of the head's 576-dot rows.
print_to_head() {
  local name=$1 want=$2
  shift 2
  if ipp_print "$@" && grep -q 'job-state (enum) = completed' "$OUT/ipptool.out" &&
    wait_jobs "$want" && "$BIN/rasterview" "$(last_job)" -o "$OUT/view.png" >"$OUT/rasterview.out" 2>&1 &&
    [[ $(od -An -tu1 -j 4 -N 2 "$(last_job)" | tr -s ' ') == " 72 0" ]]; then
    pass "$name: a valid stream of 576-dot rows"
  else
    fail "$name: $JOB_STATE $(cat "$OUT/rasterview.out" 2>/dev/null)"
  fi
}

hex() { printf '%b' "$(sed 's/\([0-9A-F][0-9A-F]\)/\\x\1/g' <<<"$1")"; }
PARTIAL_CUT=1D564200 FULL_CUT=1D564100 DRAWER=1B700019FA

declare -A HALFTONE_NAME=([none]=HT_NONE [ordered]=HT_Ordered [burkes]=HT_Burkes [stucki]=HT_Stucki
  [floyd-steinberg]=HT_FloydSteinberg [jarvis-judice-ninke]=HT_Jarvis-Judice-Ninke
  [sierra]=HT_Sierra [stevenson-arce]=HT_StevensonArce)
declare -A SAVING_NAME=([off]=SavePaper_Off [top]=SavePaper_Top [bottom]=SavePaper_Bottom
  [top-and-bottom]=SavePaper_TopAndBottom)

# serve_r80 [netprinter options...]: netprinter, the application and its
# brindol_80 printer r80.
serve_r80() {
  start_printer 10.77.1.2 "$@"
  start_app && add_printer r80 brindol_80 socket://10.77.1.2:9100
}

# make_small_page: small.pgm, a compact receipt, and small.pwg.
make_small_page() {
  "$BIN/receipt_sample" --compact "$OUT/small.pgm" && "$BIN/make_raster" "$OUT/small.pgm" "$OUT/small.pwg"
}

# trim_page IN OUT [MARGIN]: the page without its blank lines (every byte 255)
# above the first printed line and below the last, but for MARGIN (24) lines
# each side.
trim_page() {
  python3 - "$1" "$2" "${3:-24}" <<'PY'
import re, sys
data = open(sys.argv[1], 'rb').read()
header = re.match(rb'P5\s+(\d+)\s+(\d+)\s+255\s', data)
width, height = int(header[1]), int(header[2])
pixels = data[header.end():]
rows = [pixels[y * width:(y + 1) * width] for y in range(height)]
ink = [y for y, row in enumerate(rows) if row.count(255) != width]
margin = int(sys.argv[3])
top, bottom = max(0, ink[0] - margin), min(height, ink[-1] + 1 + margin)
open(sys.argv[2], 'wb').write(b'P5 %d %d 255\n' % (width, bottom - top) + b''.join(rows[top:bottom]))
PY
}

jobs_sent=0
# check_case NAME [name=value...]: prints `file` (in OUT) as `format` to `printer`
# with the receipt settings given and compares the stored job with bandhost's
# stream of `page` (trimmed as the application trims it) for the same
# settings, `pages` times, between the `before` and `after` commands (hex).
# Defaults: r80, receipt.pwg, PWG raster, one page of receipt.pgm, no commands.
check_case() {
  local name=$1
  shift
  local -A s=([halftone]=none [upside]=false [offset]=0 [saving]=off [orientation]=portrait
    [length]=content [printer]=r80 [file]=receipt.pwg [format]=image/pwg-raster [page]=receipt.pgm [pages]=1
    [before]= [after]=)
  local kv settings=()
  for kv in "$@"; do
    s[${kv%%=*}]=${kv#*=}
    [[ ${kv%%=*} =~ ^(printer|file|format|page|pages|before|after)$ ]] || settings+=("$kv")
  done
  local offsetText
  if ((s[offset] < 0)); then offsetText=M$((-s[offset] * 10)); else offsetText=P$((s[offset] * 10)); fi
  local options=(--halftone "${HALFTONE_NAME[${s[halftone]}]}" --offset "$offsetText"
    --translate "$([[ ${s[upside]} == true ]] && echo TRANS_180 || echo TRANS_NONE)"
    --save-paper "${SAVING_NAME[${s[saving]}]}")
  [[ ${s[orientation]} == landscape ]] && options+=(--landscape)
  local page=$OUT/${s[page]}
  if [[ ${s[length]} == content && ${s[orientation]} == portrait ]]; then
    trim_page "$page" "$OUT/trimmed.pgm" || { fail "$name: cannot trim the page"; return; }
    page=$OUT/trimmed.pgm
  fi
  "$BIN/bandhost" --band-height 240 "$page" "${options[@]}" -o "$OUT/page.bin" ||
    { fail "$name: bandhost failed"; return; }
  {
    hex "${s[before]}"
    for _ in $(seq "${s[pages]}"); do cat "$OUT/page.bin"; done
    hex "${s[after]}"
  } >"$OUT/expected.bin"
  ipp_print "${s[printer]}" "$OUT/${s[file]}" "${s[format]}" "${settings[@]}" || {
    fail "$name: ipptool reports a failure"
    sed 's/^/      /' "$OUT/ipptool.out"
    return
  }
  jobs_sent=$((jobs_sent + 1))
  expect_job "$name" "$OUT/expected.bin" "$jobs_sent"
}

suite_bytes() {
  serve_r80 --pty "$LAB_DIR/printer-tty" || return 1
  add_printer r58 brindol_58 socket://10.77.1.2:9100 || return 1
  # The same printer on a serial line. A speed no port has is refused.
  add_printer rs brindol_80 "serial:$LAB_DIR/printer-tty?baud=115200&flow=rtscts" || return 1
  if "$APP" add -d bad -m brindol_80 -v "serial:$LAB_DIR/printer-tty?baud=115201" \
    >>"$OUT/cli.out" 2>&1; then fail "a serial printer at 115201 baud was added"; else
    pass "a serial printer at 115201 baud is not added: $(tail -n 1 "$OUT/cli.out")"
  fi

  "$BIN/receipt_sample" "$OUT/receipt.pgm" || return 1
  # A page drawn for the whole 80 mm roll (639 dots): the head prints the
  # middle 576, from dot 32 on. A 58 mm page.
  pamcut -left 0 -width 576 "$OUT/receipt.pgm" | pnmpad -white -left 32 -right 31 >"$OUT/roll.pgm"
  pamcut -left 96 -width 384 "$OUT/receipt.pgm" >"$OUT/narrow.pgm"
  local made
  for made in :receipt.pwg --urf:receipt.urf "--pages 2:receipt2.pwg" "--space k:receipt-k.pwg"; do
    "$BIN/make_raster" ${made%:*} "$OUT/receipt.pgm" "$OUT/${made#*:}" || return 1
  done
  "$BIN/make_raster" "$OUT/roll.pgm" "$OUT/roll.pwg" || return 1
  "$BIN/make_raster" "$OUT/narrow.pgm" "$OUT/narrow.pwg" || return 1
  # Ink in a narrow column right of the middle, starting off a byte's edge.
  pamcut -left 40 -width 150 -top 0 -height 500 "$OUT/receipt.pgm" |
    pnmpad -white -left 333 -right 93 >"$OUT/offcentre.pgm"
  "$BIN/make_raster" "$OUT/offcentre.pgm" "$OUT/offcentre.pwg" || return 1

  local h
  for h in none ordered burkes stucki floyd-steinberg jarvis-judice-ninke sierra stevenson-arce; do
    check_case "PWG raster, $h" halftone=$h
  done
  check_case "Apple raster, floyd-steinberg" file=receipt.urf format=image/urf halftone=floyd-steinberg
  check_case "upside down, 5 mm right, paper saving top and bottom" halftone=sierra upside=true \
    offset=5 saving=top-and-bottom
  check_case "12 mm left, paper saving top" halftone=ordered offset=-12 saving=top
  check_case "landscape, paper saving bottom" halftone=burkes orientation=landscape saving=bottom
  check_case "partial cut" cut=partial after=$PARTIAL_CUT
  check_case "full cut, drawer before" cut=full drawer=before before=$DRAWER after=$FULL_CUT
  check_case "partial cut, drawer after" cut=partial drawer=after after=$PARTIAL_CUT$DRAWER
  check_case "two pages" file=receipt2.pwg pages=2 halftone=stucki
  check_case "black_8 raster" file=receipt-k.pwg halftone=jarvis-judice-ninke
  check_case "page as wide as the roll" file=roll.pwg halftone=floyd-steinberg
  check_case "58 mm printer" printer=r58 file=narrow.pwg page=narrow.pgm halftone=stevenson-arce
  # Every byte value crosses the line unchanged (no newline translation, no
  # XON/XOFF eaten).
  check_case "serial line, 115200 baud, RTS/CTS" printer=rs halftone=floyd-steinberg cut=partial \
    drawer=after after=$PARTIAL_CUT$DRAWER
  # Only standard attributes, as driverless clients send them: the halftone
  # and the cut follow README's table (halftone is then what bandhost uses).
  # print-quality as its number: draft 3, normal 4, high 5.
  local standard=(test=print-standard finishings=3 after=$PARTIAL_CUT)
  check_case "print-quality normal: the default halftone" "${standard[@]}" quality=4 \
    content=auto halftone=floyd-steinberg
  check_case "print-quality draft, photo" "${standard[@]}" quality=3 content=photo halftone=ordered
  check_case "print-quality high, text, trim after job" "${standard[@]}" quality=5 content=text \
    halftone=none finishings=63 after=$FULL_CUT

  # The printed length follows the content: a short receipt on a long page
  # (as a client's fixed page size leaves it) loses the blank paper above and
  # below, unless the job asks for whole pages; a gap inside stays whole.
  make_small_page || return 1
  pgmmake 1 576 491 >"$OUT/gap.pgm"
  pnmpad -white -top 1037 -bottom 1038 "$OUT/small.pgm" >"$OUT/padded.pgm"  # 297 mm
  pnmcat -tb "$OUT/small.pgm" "$OUT/gap.pgm" "$OUT/small.pgm" | pnmpad -white -top 30 -bottom 5 \
    >"$OUT/inner.pgm"
  "$BIN/make_raster" "$OUT/padded.pgm" "$OUT/padded.pwg" || return 1
  "$BIN/make_raster" --urf "$OUT/inner.pgm" "$OUT/inner.urf" || return 1
  check_case "blank paper above and below not fed" file=padded.pwg page=padded.pgm halftone=sierra \
    cut=partial after=$PARTIAL_CUT
  cp "$(last_job)" "$OUT/short-content.bin"
  check_case "receipt-length page: the whole page fed" file=padded.pwg page=padded.pgm \
    halftone=sierra cut=partial after=$PARTIAL_CUT length=page
  cp "$(last_job)" "$OUT/short-page.bin"
  check_case "a blank gap inside the page kept whole, Apple raster" file=inner.urf format=image/urf \
    page=inner.pgm halftone=floyd-steinberg
  # An A4 page with a short block, scaled down to the head (bandhost does not
  # scale): printed as long as the block with its margins, or whole.
  local block a4rows=$((2375 * 576 / 1678)) rows
  pamscale -width 1678 "$OUT/small.pgm" >"$OUT/block.pgm"
  block=$(pnmfile "$OUT/block.pgm" | sed -E 's/.* by ([0-9]+).*/\1/')
  pnmpad -white -top 500 -bottom $((2375 - 500 - block)) "$OUT/block.pgm" >"$OUT/a4.pgm"
  "$BIN/make_raster" "$OUT/a4.pgm" "$OUT/a4.pwg" || return 1
  # The block's printed lines, scaled as the head gets them.
  trim_page "$OUT/block.pgm" "$OUT/ink.pgm" 0 || return 1
  block=$(($(pnmfile "$OUT/ink.pgm" | sed -E 's/.* by ([0-9]+).*/\1/') * 576 / 1678))
  for length in content page; do
    jobs_sent=$((jobs_sent + 1))
    print_to_head "A4 page, receipt-length $length" "$jobs_sent" r80 "$OUT/a4.pwg" image/pwg-raster \
      length=$length cut=partial
    cp "$(last_job)" "$OUT/a4-$length.bin"
    rows=$(python3 -c 'import struct,sys; print(struct.unpack(">I", open(sys.argv[1], "rb").read()[20:24])[0])' \
      "$OUT/view.png")
    # Content: 24 lines each side, the last block of 24 lines filled up, a
    # line or two of gray where scaling blends the block's edges with white,
    # the cut's mark.
    if { [[ $length == content ]] && ((rows >= block + 48 && rows <= block + 48 + 24 + 4)); } ||
      { [[ $length == page ]] && ((rows >= a4rows && rows <= a4rows + 24)); }; then
      pass "A4 page, receipt-length $length: $rows lines printed for $block lines of content"
    else
      fail "A4 page, receipt-length $length: $rows lines printed for $block lines of content"
    fi
  done

  # PNG and JPEG are drawn by PAPPL onto the page.
  pnmtopng "$OUT/receipt.pgm" >"$OUT/receipt.png"
  pnmtojpeg "$OUT/receipt.pgm" >"$OUT/receipt.jpg"
  local f
  for f in png:image/png jpg:image/jpeg; do
    jobs_sent=$((jobs_sent + 1))
    print_to_head "${f#*:}" "$jobs_sent" r80 "$OUT/receipt.${f%%:*}" "${f#*:}" halftone=floyd-steinberg
  done

  # A printer whose raster blocks advance the paper, drawing what it prints.
  start_printer 10.77.1.2 --tcp-port 9101 --udp-port 9002 --reply-port 9602 \
    --jobs "$OUT/jobs-generic" --rasterview "$BIN/rasterview" --convention generic
  add_printer g80 escpos_generic_80 socket://10.77.1.2:9101 &&
    add_printer g58 escpos_generic_58 socket://10.77.1.2:9101 || return 1
  check_generic "generic 80 mm driver, floyd-steinberg" g80 receipt.pwg receipt.pgm floyd-steinberg
  check_generic "generic 58 mm driver, ordered" g58 narrow.pwg narrow.pgm ordered
  check_generic "generic 80 mm driver, ink narrow and off-centre" g80 offcentre.pwg offcentre.pgm \
    ordered
  calibration_page g58
}

# solid_runs STREAM CONVENTION: the lengths of the runs of rows black across
# the whole picture that rasterview draws of STREAM.
solid_runs() {
  "$BIN/rasterview" --convention "$2" "$1" -o "$OUT/calibration.pbm" &&
    python3 - "$OUT/calibration.pbm" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
_, size, pixels = data.split(b'\n', 2)
width, height = map(int, size.split())
rows = [pixels[y * width // 8:(y + 1) * width // 8] for y in range(height)]
runs, run = [], 0
for row in rows + [b'']:
    if row and all(b == 0xFF for b in row):
        run += 1
    elif run:
        runs.append(run)
        run = 0
print(' '.join(map(str, runs)))
PY
}

# calibration_page PRINTER: "Print Test Page" on the printer's web page prints
# the calibration page: one solid bar on this family's printers, eight 24-row
# stripes on the generic printer that receives it.
calibration_page() {
  local web=http://127.0.0.1:8631/$1/ session job
  session=$(curl -s -c "$OUT/cookies" "$web" | sed -nE 's/.*name="session" value="([^"]*)".*/\1/p' | head -n 1)
  curl -s -b "$OUT/cookies" -d "session=$session&action=print-test-page" "$web" >"$OUT/test-page.html"
  generic_jobs=$((generic_jobs + 1))
  job=$(printf '%s/jobs-generic/job-%04d' "$OUT" "$generic_jobs")
  if ! poll 300 0.1 test -s "$job.png"; then
    fail "calibration page: nothing printed ($(grep -o 'Test page[^<]*' "$OUT/test-page.html"))"
  elif [[ $(solid_runs "$job.bin" family) == "192" &&
    $(solid_runs "$job.bin" generic) == "24 24 24 24 24 24 24 24" ]]; then
    pass "calibration page from the web interface: one bar here, stripes on a generic printer"
  else
    fail "calibration page: bars $(solid_runs "$job.bin" family) / $(solid_runs "$job.bin" generic)"
  fi
}

generic_jobs=0
# check_generic NAME PRINTER FILE PAGE HALFTONE: the picture the generic
# printer draws of the job equals the one rasterview draws of bandhost's
# stream of PAGE (trimmed as the application trims it) on this family's printer.
check_generic() {
  local name=$1 printer=$2 file=$3 page=$4 halftone=$5
  trim_page "$OUT/$page" "$OUT/trimmed.pgm" || { fail "$name: cannot trim the page"; return; }
  "$BIN/bandhost" --band-height 240 "$OUT/trimmed.pgm" --halftone "${HALFTONE_NAME[$halftone]}" \
    -o "$OUT/page.bin" && "$BIN/rasterview" "$OUT/page.bin" -o "$OUT/expected.png" ||
    { fail "$name: bandhost or rasterview failed"; return; }
  ipp_print "$printer" "$OUT/$file" image/pwg-raster halftone="$halftone" ||
    { fail "$name: ipptool reports a failure"; return; }
  generic_jobs=$((generic_jobs + 1))
  local job
  job=$(printf '%s/jobs-generic/job-%04d' "$OUT" "$generic_jobs")
  if ! poll 300 0.1 test -s "$job.png"; then
    fail "$name: the generic printer drew no picture ($JOB_STATE)"
  elif cmp -s "$OUT/expected.png" "$job.png"; then
    pass "$name: $(stat -c %s "$job.bin") bytes, this family's $(stat -c %s "$OUT/page.bin")"
  else
    fail "$name: the generic printer prints another picture than bandhost's stream"
  fi
}

# expect_end PRINTER SECONDS NAME REGEX...: job JOB_ID ends within SECONDS and
# its "state|reasons|message" matches every REGEX.
expect_end() {
  local printer=$1 seconds=$2 name=$3 regex ok=true
  shift 3
  wait_job_end "$printer" "$JOB_ID" "$seconds" || ok=false
  for regex in "$@"; do [[ $JOB_STATE =~ $regex ]] || ok=false; done
  if $ok; then pass "$name: $JOB_STATE"; else fail "$name: $JOB_STATE"; fi
}

still_serving() {  # NAME: a good job after a bad one still prints
  local want=$(($(job_count) + 1))
  if ipp_print r80 "$OUT/small.pwg" image/pwg-raster && grep -q 'completed' "$OUT/ipptool.out" &&
    wait_jobs "$want"; then pass "$1: still serving"; else fail "$1: the next job did not print"; fi
}

suite_bad_input() {
  serve_r80 && make_small_page || return 1

  # A document that ends inside a page: the client's request ends, so the
  # job must end too, with the reason, and the next job must print.
  head -c 20000 "$OUT/small.pwg" >"$OUT/truncated.pwg"
  # PAPPL reads a raster document as it arrives and waits for the rest of a
  # page until the client gives up (here after 5 s).
  IPP_TIMEOUT=5 ipp_print r80 "$OUT/truncated.pwg" image/pwg-raster
  JOB_ID=1
  expect_end r80 60 "truncated PWG raster" '^aborted.*truncated' 'document-format-error'
  still_serving "after a truncated document"
  # Width 0 in the page header (cupsWidth, after the 4-byte sync word).
  cp "$OUT/small.pwg" "$OUT/zero.pwg"
  printf '\0\0\0\0' | dd of="$OUT/zero.pwg" bs=1 seek=376 conv=notrunc status=none
  ipp_print r80 "$OUT/zero.pwg" image/pwg-raster
  expect_end r80 60 "page of zero width" '^aborted' 'document-format-error'
  still_serving "after a zero-width page"

  # A page twice the roll's width, without scaling.
  "$BIN/make_raster" --width 1400 "$OUT/small.pgm" "$OUT/wide.pwg"
  ipp_print r80 "$OUT/wide.pwg" image/pwg-raster scaling=none
  expect_end r80 60 "too wide, no scaling" '^aborted' 'document-unprintable-error'
  print_to_head "too wide, scaled" $(($(job_count) + 1)) r80 "$OUT/wide.pwg" image/pwg-raster scaling=auto

  ipp_print r80 "$OUT/small.pwg" image/pwg-raster halftone=no-such-method
  expect_end r80 60 "unknown halftone-method" '^aborted' "unsupported halftone-method value 'no-such-method'"
  ipp_print r80 "$OUT/small.pwg" image/pwg-raster offset=99
  expect_end r80 60 "horizontal-offset out of range" '^aborted' "unsupported horizontal-offset value '99'"
  still_serving "after unknown values"

  # A PNG that claims 100,000 x 100,000 dots, and one whose data ends early.
  python3 - "$OUT" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
def png(name, width, height, row):
    head = chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 0, 0, 0, 0))
    data = chunk(b'IDAT', zlib.compress((b'\0' + row) * 64))
    open(sys.argv[1] + '/' + name, 'wb').write(b'\x89PNG\r\n\x1a\n' + head + data + chunk(b'IEND', b''))
png('huge.png', 100000, 100000, b'\xff' * 100000)
png('damaged.png', 1000, 5000, b'\x80' * 1000)
PY
  NOWAIT=1 ipp_print r80 "$OUT/huge.png" image/png
  expect_end r80 60 "PNG of 100000 x 100000" '^aborted' 'document-unprintable-error'
  NOWAIT=1 ipp_print r80 "$OUT/damaged.png" image/png
  expect_end r80 60 "damaged PNG" '^aborted' 'document-format-error'
  still_serving "after a huge and a damaged PNG"

  # A printer that closes the connection mid-job and one that never answers.
  add_printer closer brindol_80 socket://10.77.1.2:9200 || return 1
  nsenter -t "$BRINDOL_LAB_PRINTER_PID" -n python3 -c 'import socket
s = socket.create_server(("10.77.1.2", 9200)); c, _ = s.accept(); c.recv(1000); c.close()' &
  PIDS+=($!)
  "$BIN/make_raster" --pages 20 "$OUT/small.pgm" "$OUT/long.pwg"
  NOWAIT=1 ipp_print closer "$OUT/long.pwg" image/pwg-raster
  expect_end closer 120 "printer closes mid-job" '^aborted'
  # Nothing in the lab has this address: connecting never succeeds. PAPPL
  # keeps the job and retries (a printer that is switched off loses no
  # receipt); the job must not pass for printed, and the printer must say
  # why it waits.
  add_printer silent brindol_80 socket://10.77.1.9:9100 || return 1
  IPP_TIMEOUT=10 NOWAIT=1 ipp_print silent "$OUT/small.pwg" image/pwg-raster
  sleep 5
  JOB_STATE=$(job_state silent 1)
  local printer
  printer=$("$APP" status -d silent 2>/dev/null | tr '\n' ' ')
  local verdict=fail
  [[ $JOB_STATE =~ ^(pending|processing) ]] && verdict=pass
  $verdict "printer that never answers: job $JOB_STATE printer: $printer"
  still_serving "after broken printers"
}

suite_discovery() {
  start_printer 10.77.1.2 --announce 10.77.1.2
  start_printer 10.77.2.2 --announce 192.168.200.7 --tcp-port 9101
  start_app || return 1
  sleep 0.5
  # Interfaces asked (none: the variable unset) | addresses listed | not listed
  # ("." any) | what it shows.
  local interfaces listed unlisted name devices address ok
  while IFS='|' read -r -u 3 interfaces listed unlisted name; do
    devices=$(env ${interfaces:+BRINDOL_DISCOVERY_INTERFACES=$interfaces} "$APP" devices 2>&1)
    echo "$devices" | sed 's/^/      /'
    ok=true
    for address in $listed; do grep -q "brindol-net://$address" <<<"$devices" || ok=false; done
    for address in $unlisted; do grep -q "brindol-net://$address" <<<"$devices" && ok=false; done
    if $ok; then pass "$name"; else fail "$name"; fi
  done 3<<'TABLE'
v0,v1|10.77.1.2 192.168.200.7||devices lists both printers, the address taken from the reply
v1|192.168.200.7|10.77.1.2|only the chosen interface is asked
||.|no interface chosen, no discovery
TABLE
  # Print through the discovered printer's URI.
  add_printer found brindol_80 brindol-net://10.77.1.2 && make_small_page || return 1
  trim_page "$OUT/small.pgm" "$OUT/trimmed.pgm"
  "$BIN/bandhost" --band-height 240 "$OUT/trimmed.pgm" --halftone HT_NONE -o "$OUT/expected.bin"
  ipp_print found "$OUT/small.pwg" image/pwg-raster
  expect_job "printing to brindol-net://10.77.1.2" "$OUT/expected.bin" 1
}

# run_conformance FILE: one of CUPS's conformance files against r80, its
# report in OUT/FILE.out. The tests name sample documents that Debian does
# not ship; ipptool will not start a file whose documents are missing. Each
# is stood in for by our receipt page (PWG raster at 203 dpi): tests of
# resolutions and types the printer does not offer skip themselves.
run_conformance() {
  if [[ ! -d $OUT/suite ]]; then
    mkdir -p "$OUT/suite"
    cp /usr/share/cups/ipptool/*.test "$OUT/suite/"
    sed -nE 's/^\s*FILE\s+([^$][^ ]*)\s*$/\1/p' "$OUT/suite/"*.test | sort -u | while read -r doc; do
      mkdir -p "$OUT/suite/$(dirname "$doc")"
      [[ -e $OUT/suite/$doc ]] || cp "$OUT/small.pwg" "$OUT/suite/$doc"
    done
  fi
  (cd "$OUT/suite" && ipptool -T 30 -t -I -f "$OUT/small.pwg" "$URI_BASE/r80" "$1") >"$OUT/$1.out" 2>&1
}

suite_conformance() {
  serve_r80 && make_small_page || return 1
  local file name known counts
  known=$(sed -nE 's/^([^#][^|]*[^ ]) +\|.*/\1/p' "$here/conformance-known.txt")
  for file in ipp-everywhere.test ipp-1.1.test ipp-2.0.test; do
    run_conformance "$file"
    # Counted from the per-test marks: a file that includes others has no
    # summary line of its own.
    counts=($(for mark in PASS FAIL SKIP; do grep -c "\[$mark\]" "$OUT/$file.out"; done))
    if ((counts[0] + counts[1] == 0)); then
      fail "$file did not run"
      continue
    fi
    echo "$file: ${counts[0]} passed, ${counts[1]} failed, ${counts[2]} skipped" | tee -a "$OUT/summary.txt"
    while read -r name; do
      echo "  FAIL $name" | tee -a "$OUT/summary.txt"
      grep -qxF "$file: $name" <<<"$known" || fail "$file: $name (not a known failure)"
    done < <(grep -E '\[FAIL\]' "$OUT/$file.out" | sed -E 's/ +\[FAIL\]//; s/^ +//')
  done
  # What CUPS reads when it adds the printer as a driverless queue, asked
  # the way it asks: every attribute of ours must come with "all".
  ipptool -T 10 -tv "$URI_BASE/r80" "$here/get-printer.test" >"$OUT/get-printer.out" 2>&1
  local attribute value
  while IFS='|' read -r attribute value; do
    if grep -qE "^ +$attribute \([^)]*\) = $value\$" "$OUT/get-printer.out"; then
      pass "Get-Printer-Attributes all,media-col-database: $attribute"
    else
      fail "Get-Printer-Attributes all,media-col-database: $attribute is not $value"
    fi
  done <<'TABLE'
printer-make-and-model|BRINDOL 80mm Receipt Printer
printer-device-id|MFG:BRINDOL;MDL:80mm Receipt Printer;.*
halftone-method-default|floyd-steinberg
halftone-method-supported|none,ordered,.*
cut-at-job-end-supported|none,partial,full
horizontal-offset-supported|-20-20
upside-down-default|false
finishings-supported|none,trim
print-content-optimize-supported|.*photo.*
receipt-length-default|content
receipt-length-supported|content,page
media-default|om_roll-80x3276mm_80x3276mm
media-supported|om_roll-80x3276mm_80x3276mm,.*roll_min_80x20mm,roll_max_80x3276mm
TABLE
}

suite_browser() {
  serve_r80 && make_small_page || return 1
  local chromium web=http://127.0.0.1:8631
  chromium=$(command -v chromium || command -v chromium-browser) || { fail "no chromium"; return; }
  # The DevTools protocol on the browser's descriptors 3 (commands) and 4 (answers).
  mkfifo "$OUT/commands" "$OUT/answers"
  "$chromium" --headless=new --no-sandbox --disable-gpu --no-first-run --remote-debugging-pipe \
    --user-data-dir="$OUT/chromium" --window-size=1100,1000 about:blank \
    3<"$OUT/commands" 4>"$OUT/answers" >"$OUT/chromium.log" 2>&1 &
  PIDS+=($!)
  python3 "$here/browser_driver.py" "$OUT/commands" "$OUT/answers" \
    screenshot "$web/" "$OUT/system-status.png" screenshot "$web/r80/" "$OUT/printer-status.png" \
    set "$web/r80/printing" halftone-method stevenson-arce "$OUT/printing-defaults.png" ||
    fail "the web interface"
  # Our settings are labelled in words, in English whatever the browser asks.
  local language label
  for language in en-US de; do
    curl -s -H "Accept-Language: $language" "$web/r80/printing" >"$OUT/printing-$language.html"
    for label in "Halftone method:" "Cut at job end:" ">Floyd-Steinberg<" "Receipt length:" \
      ">Whole page (fixed length)<"; do
      if grep -qF "$label" "$OUT/printing-$language.html"; then
        pass "printing defaults ($language) show $label"
      else
        fail "printing defaults ($language) lack $label"
      fi
    done
  done
  # The next job names no halftone: the default chosen in the browser
  # applies (and the default partial cut and printed length).
  "$APP" submit -d r80 "$OUT/small.pwg" >>"$OUT/cli.out" 2>&1
  trim_page "$OUT/small.pgm" "$OUT/trimmed.pgm"
  "$BIN/bandhost" --band-height 240 --halftone HT_StevensonArce "$OUT/trimmed.pgm" -o "$OUT/expected.bin"
  hex $PARTIAL_CUT >>"$OUT/expected.bin"
  expect_job "the job used the halftone method set in the browser" "$OUT/expected.bin" 1
}

# hold_port ADDRESS PORT: a listener of another program on the address.
# (With SO_REUSEADDR, so that the last server's closed connections do not stand in the way.)
hold_port() {
  python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_INET6 if ":" in sys.argv[1] else socket.AF_INET)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind((sys.argv[1], int(sys.argv[2]))); s.listen(); print("ready", flush=True); time.sleep(600)' "$@" \
    >"$OUT/hold.out" 2>&1 &
  PIDS+=($!)
  poll 50 0.1 grep -q ready "$OUT/hold.out"
}

# job_operation OPERATION LINE...: ipptool's report of one operation on r80 (or PRINTER),
# with LINEs (attributes, FILE) after the usual operation attributes.
job_operation() {
  local operation=$1
  shift
  {
    printf '{\n NAME "%s"\n OPERATION %s\n GROUP operation-attributes-tag\n' "$operation" "$operation"
    printf ' ATTR %s\n' 'charset attributes-charset utf-8' 'naturalLanguage attributes-natural-language en' \
      'uri printer-uri $uri' 'name requesting-user-name test'
    printf ' %s\n' "$@" 'STATUS successful-ok' '}'
  } >"$OUT/operation.test"
  ipptool -T 30 -tv "$URI_BASE/${PRINTER:-r80}" "$OUT/operation.test" 2>&1 | tee -a "$OUT/ipptool.out"
}

suite_lifecycle() {
  LISTEN= serve_r80 && make_small_page || return 1
  local jobs=3 id server status
  for _ in $(seq $jobs); do ipp_print r80 "$OUT/small.pwg" image/pwg-raster; done
  # Its Print-Job with job-hold-until and its jobs that never get a document
  # once left a state file that PAPPL could not read back.
  run_conformance ipp-1.1.test
  # The newest job ends moments before the shutdown: it must be saved too.
  ipp_print r80 "$OUT/small.pwg" image/pwg-raster
  local newest=${JOB_ID:-0}
  # An idle client on a kept-alive connection, as CUPS keeps one.
  python3 -c 'import socket, time
s = socket.create_connection(("127.0.0.1", 8631))
s.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"); s.recv(65536); time.sleep(600)' &
  PIDS+=($!)
  sleep 0.5
  # PAPPL alone waits about 30 s for such a client; 10 s only guards the test.
  server=${PIDS[0]}
  timeout 10 "$APP" shutdown >>"$OUT/cli.out" 2>&1
  status=$?
  if ((status == 0)) && gone "$server"; then
    pass "shutdown returns once the server has ended, with a client connected"
  else
    fail "shutdown: exit $status, server $(gone "$server" && echo ended || echo 'still running')"
  fi
  local mark
  mark=$(wc -l <"$OUT/app.log")
  LISTEN= start_app || { fail "no restart"; return; }
  if tail -n +"$mark" "$OUT/app.log" | grep -E '^E .*(Bad|state)'; then
    fail "the state file was not read back whole"
  else
    pass "the state file is read back without errors"
  fi
  # Over IPv4 (the restart listens on every address), the oldest job too:
  # a state file read in part loses the oldest jobs.
  # The first requests after a start can find the server still opening its
  # printers (an empty answer on a busy machine): asked again for up to 5 s.
  for id in 1 $jobs "$newest"; do
    if poll 25 0.2 eval '[[ $(job_state r80 "$id") == completed* ]]'; then
      pass "job $id kept"
    else
      fail "job $id lost: $(job_state r80 "$id")"
    fi
  done

  # A job accepted and not printed yet (its printer paused; PAPPL prints a
  # raster document as it arrives whatever the printer's state, a PNG is
  # spooled first), then the server killed as a power cut would.
  local waiting
  pnmtopng "$OUT/small.pgm" >"$OUT/small.png"
  job_operation Pause-Printer >/dev/null
  waiting=$(job_operation Print-Job "ATTR mimeMediaType document-format image/png" \
    "FILE $OUT/small.png" | sed -nE 's/^ *job-id \(integer\) = ([0-9]+).*/\1/p' | head -n 1)
  [[ $(job_state r80 "$waiting") == pending* ]] || fail "job ${waiting:-?} is not pending"
  # PAPPL writes its state file a moment after a change; the kill comes after.
  poll 100 0.1 grep -q "^Job .* id=\"${waiting:-0}\"" "$SNAP_COMMON/brindol-printer-app.state" ||
    fail "job ${waiting:-?} is not saved"
  kill -9 "${PIDS[0]}"
  poll 50 0.1 gone "${PIDS[0]}"
  LISTEN= start_app || { fail "no restart after the kill"; return; }
  poll 25 0.2 eval '[[ -n $(job_state r80 "${waiting:-0}") ]]'
  JOB_STATE=$(job_state r80 "${waiting:-0}")
  [[ $JOB_STATE == pending* ]] || fail "job ${waiting:-?} after the restart: '$JOB_STATE'"
  # The printer stays paused; a busy machine has been seen to lose the first
  # Resume-Printer.
  for _ in 1 2 3; do
    job_operation Resume-Printer >/dev/null
    wait_job_end r80 "${waiting:-0}" 20 && break
  done
  if [[ $JOB_STATE == completed* ]]; then
    pass "a job accepted before a restart prints after it"
  else
    fail "job ${waiting:-?} accepted before the restart: '$JOB_STATE'"
  fi
  "$APP" shutdown >>"$OUT/cli.out" 2>&1 || fail "the last shutdown"

  # Port 8631 of IPv4 taken by another program, IPv6's free: not serving on
  # IPv6 only, but ending with the address named.
  hold_port 0.0.0.0 8631 || { fail "cannot hold the port"; return; }
  local before
  before=$(wc -l <"$OUT/server.out")
  timeout 20 "$APP" server -o server-port=8631 -o log-file="$OUT/app.log" >>"$OUT/server.out" 2>&1
  status=$?
  if ((status != 0 && status != 124)) &&
    tail -n +"$before" "$OUT/server.out" | grep -q 'cannot listen on 0.0.0.0:8631'; then
    pass "a listener it cannot bind ends the server: exit $status"
  else
    fail "bind failure: exit $status: $(tail -n +"$before" "$OUT/server.out" | head -n 3)"
  fi
}

# printer_reasons PRINTER: its printer-state-reasons, as IPP clients read them.
printer_reasons() {
  ipptool -T 10 -tv "$URI_BASE/$1" "$here/get-printer.test" 2>/dev/null |
    sed -nE 's/^ *printer-state-reasons \([^)]*\) = //p'
}
has_reasons() {  # PRINTER REASON...
  local reasons
  reasons=,$(printer_reasons "$1"),
  shift
  for reason in "$@"; do [[ $reasons == *,$reason,* ]] || return 1; done
}

# stop_then_refill NAME PRINTER PID DOCUMENT REASON...: a job of DOCUMENT on
# PRINTER waits with the REASONs shown, until netprinter PID is given paper
# and its cover closed (SIGUSR1); then it completes. Print-Job of a raster
# document returns once the job has read it all, so it runs aside.
stop_then_refill() {
  local name=$1 printer=$2 pid=$3 document=$4
  shift 4
  (NOWAIT=1 ipp_print "$printer" "$OUT/$document" image/pwg-raster) &
  PIDS+=($!)
  JOB_ID=1
  if poll 100 0.1 has_reasons "$printer" "$@" && [[ $(job_state "$printer" 1) == processing* ]]; then
    pass "$name: the job waits, printer-state-reasons $(printer_reasons "$printer")"
  else
    fail "$name: printer-state-reasons '$(printer_reasons "$printer")', job $(job_state "$printer" 1)"
  fi
  curl -s "http://127.0.0.1:8631/$printer/" >"$OUT/$printer.html"
  kill -USR1 "$pid"
  expect_end "$printer" 60 "$name: completes once the printer is ready" '^completed'
  has_reasons "$printer" "$@" && fail "$name: reasons left after the refill: $(printer_reasons "$printer")"
}

# job_ms PRINTER FILE: how long a job takes from submission to its end.
job_ms() {
  local start
  start=$(date +%s%N)
  ipp_print "$1" "$OUT/$2" image/pwg-raster
  echo $((($(date +%s%N) - start) / 1000000))
}

suite_status() {
  # Paper runs out within the first page of two; another printer's cover is
  # open; a third never answers status requests. Each keeps its jobs apart.
  make_small_page && "$BIN/make_raster" --pages 2 "$OUT/small.pgm" "$OUT/small2.pwg" || return 1
  trim_page "$OUT/small.pgm" "$OUT/trimmed.pgm" &&
    "$BIN/bandhost" --band-height 240 "$OUT/trimmed.pgm" --halftone HT_NONE -o "$OUT/page.bin" || return 1
  cat "$OUT/page.bin" "$OUT/page.bin" >"$OUT/expected2.bin"
  mkdir -p "$OUT/jobs-cover" "$OUT/jobs-mute"
  start_printer 10.77.1.2 --paper-out-after $(($(stat -c %s "$OUT/page.bin") / 2))
  local paper=${PIDS[-1]}
  start_printer 10.77.1.2 --udp-port 9001 --tcp-port 9101 --state cover-open --jobs "$OUT/jobs-cover"
  local cover=${PIDS[-1]}
  start_printer 10.77.1.2 --udp-port 9002 --tcp-port 9102 --state mute --jobs "$OUT/jobs-mute"
  start_app || return 1
  add_printer r80 brindol_80 socket://10.77.1.2:9100 && add_printer cover brindol_80 socket://10.77.1.2:9101 &&
    add_printer mute brindol_80 socket://10.77.1.2:9102 || return 1

  stop_then_refill "paper out mid-job" r80 "$paper" small2.pwg media-empty media-needed
  grep -q 'Out of paper' "$OUT/r80.html" || fail "the web interface does not show the paper out"
  expect_job "paper out mid-job: nothing lost or printed twice" "$OUT/expected2.bin" 1

  JOBS=$OUT/jobs-cover stop_then_refill "cover open" cover "$cover" small.pwg cover-open
  grep -q 'Cover open' "$OUT/cover.html" || fail "the web interface does not show the open cover"
  JOBS=$OUT/jobs-cover expect_job "cover open: the job as sent" "$OUT/page.bin" 1
  # Canceled while it waits: nothing reaches the paper. The cover closed
  # while no job runs shows without one.
  kill -USR2 "$cover"
  (NOWAIT=1 ipp_print cover "$OUT/small.pwg" image/pwg-raster) &
  PIDS+=($!)
  poll 100 0.1 has_reasons cover cover-open
  PRINTER=cover job_operation Cancel-Job "ATTR integer job-id 2" >/dev/null
  JOB_ID=2
  expect_end cover 30 "cover open, job canceled while it waits" '^canceled'
  kill -USR1 "$cover"
  if poll 50 0.2 eval '! has_reasons cover cover-open'; then pass "cover closed between jobs: reasons cleared"; else
    fail "cover closed between jobs: printer-state-reasons $(printer_reasons cover)"; fi
  [[ $(JOBS=$OUT/jobs-cover job_count) == 1 ]] || fail "the canceled job left bytes at the printer"

  # Three jobs: only the first one asks, and waits for an answer.
  local times=() n asked
  for n in 1 2 3; do
    times+=("$(job_ms mute small.pwg)")
    JOBS=$OUT/jobs-mute expect_job "printer without status, job $n" "$OUT/page.bin" $n
  done
  echo "      job times: printer without status ${times[*]} ms; printer with status $(job_ms r80 small.pwg) ms"
  asked=$(grep -c 'does not answer status requests' "$OUT/app.log")
  if ((asked == 1)); then pass "printer without status: one short wait for three jobs"; else
    fail "printer without status: $asked short waits for three jobs"; fi
}

# announced NAME: the DNS-SD daemon lists NAME's IPP service.
announced() { avahi-browse -t -p _ipp._tcp 2>/dev/null | grep -q "^+;[^;]*;IPv4;$1;"; }
daemon_gone() { ! avahi-daemon -c 2>/dev/null; }  # its pid file is in our /run

suite_dnssd() {
  if ! command -v avahi-daemon >/dev/null || ! command -v avahi-browse >/dev/null; then
    echo "dnssd suite SKIPPED: avahi-daemon and avahi-utils are not installed"
    return
  fi
  unset DBUS_SYSTEM_BUS_ADDRESS
  mount -t tmpfs tmpfs /run && mkdir -p /run/dbus /run/avahi-daemon || return 1
  dbus-daemon --system --fork >>"$OUT/daemons.log" 2>&1 || return 1
  avahi-daemon -D --no-drop-root --no-chroot >>"$OUT/daemons.log" 2>&1 || return 1
  # A printer of the state file, as a service has them.
  serve_r80 && "$APP" shutdown && start_app || return 1
  local server=${PIDS[0]}
  poll 100 0.2 announced r80 || fail "r80 is not announced at all"
  avahi-daemon -k
  poll 50 0.1 daemon_gone
  avahi-daemon -D --no-drop-root --no-chroot >>"$OUT/daemons.log" 2>&1 || return 1
  if poll 200 0.2 announced r80 && kill -0 "$server" && "$APP" status >/dev/null 2>&1; then
    pass "r80 is announced again after the DNS-SD daemon restarted; the server serves on"
  else
    fail "r80 is not announced again after the DNS-SD daemon restarted"
  fi
  "$APP" shutdown
  avahi-daemon -k
  kill "$(cat /run/dbus/pid)"
}

# cups_start: a private cupsd in the lab (its own configuration, spool and
# socket under LAB_DIR; the machine's CUPS, if any, is not touched). Clients
# reach it through the command prefix in CUPS.
cups_start() {
  CUPS_DIR=$LAB_DIR/cups
  mkdir -p "$CUPS_DIR"/{spool/tmp,cache,state,ppd} || return 1
  # Filters run as lp: they read the spool and write in its temporary folder.
  chmod 711 "$LAB_DIR" && chgrp -R lp "$CUPS_DIR/spool" && chmod 1770 "$CUPS_DIR/spool/tmp" || return 1
  printf '%s\n' "LogLevel debug" "Listen $CUPS_DIR/sock" "Listen 127.0.0.1:8632" "Browsing No" "WebInterface No" \
    "DefaultAuthType None" "<Location />" "Order allow,deny" "Allow all" "</Location>" \
    "<Policy default>" "<Limit All>" "Order allow,deny" "Allow all" "</Limit>" "</Policy>" \
    >"$CUPS_DIR/cupsd.conf"
  printf '%s\n' "ServerRoot $CUPS_DIR" "RequestRoot $CUPS_DIR/spool" "TempDir $CUPS_DIR/spool/tmp" \
    "CacheDir $CUPS_DIR/cache" "StateDir $CUPS_DIR/state" "ServerBin /usr/lib/cups" \
    "DataDir /usr/share/cups" "ErrorLog $OUT/cups-error_log" "AccessLog $OUT/cups-access_log" \
    "PageLog $OUT/cups-page_log" "SystemGroup root" >"$CUPS_DIR/cups-files.conf"
  /usr/sbin/cupsd -f -c "$CUPS_DIR/cupsd.conf" -s "$CUPS_DIR/cups-files.conf" >>"$OUT/cupsd.out" 2>&1 &
  PIDS+=($!)
  CUPS=(env CUPS_SERVER="$CUPS_DIR/sock")
  poll 100 0.1 cups_running
}
# lpstat -r exits 0 either way; its words tell.
cups_running() { [[ $("${CUPS[@]}" lpstat -r 2>&1) == "scheduler is running" ]]; }

# paper_mm STREAM: "paper top content bottom", the millimetres of paper the
# stream feeds, blank above the first printed row, from it to the last
# printed row, and blank below (the job's final cut left out of the drawing).
paper_mm() {
  local stream=$1
  if [[ $(tail -c 4 "$stream" | xxd -p) =~ ^1d564[12]00$ ]]; then
    head -c -4 "$stream" >"$OUT/uncut.bin" && stream=$OUT/uncut.bin
  fi
  "$BIN/rasterview" "$stream" -o "$OUT/paper.pbm" >/dev/null 2>&1 || return 1
  python3 - "$OUT/paper.pbm" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
fields, at = [], 0
while len(fields) < 3:  # P4 width height, whitespace separated
    while data[at:at + 1].isspace(): at += 1
    end = at
    while not data[end:end + 1].isspace(): end += 1
    fields.append(data[at:end]); at = end
at += 1
width, height = int(fields[1]), int(fields[2])
stride = (width + 7) // 8
rows = [y for y in range(height) if any(data[at + y * stride:at + (y + 1) * stride])]
first, last = (rows[0], rows[-1] + 1) if rows else (0, 0)
print(*("%.1f" % (n / 8) for n in (height, first, last - first, height - last)))
PY
}

# cups_job_state ID: "state|reasons|" of CUPS's job ID.
cups_job_state() {
  ipptool -T 10 -t -d "jobid=$1" "ipp://127.0.0.1:8632/printers/receipt" "$here/get-job.test" 2>&1 |
    sed -nE 's/^ *job-state(-reasons)? \([^)]*\) = //p' | tr '\n' '|'
}

# The clients' own documents through a private CUPS to the application's
# printer, added as CUPS adds any driverless printer.
suite_cups() {
  command -v cupsd >/dev/null || { fail "cupsd is not installed (scripts/install-deps installs it)"; return; }
  serve_r80 && cups_start || return 1
  "${CUPS[@]}" lpadmin -p receipt -E -v "$URI_BASE/r80" -m everywhere -D "BRINDOL 80mm Receipt Printer" \
    >>"$OUT/cli.out" 2>&1 || return 1
  local ppd=$CUPS_DIR/ppd/receipt.ppd
  poll 50 0.1 test -s "$ppd"  # cupsd writes it after lpadmin returns
  if grep -q '^\*Manufacturer: "BRINDOL"' "$ppd" &&
    "${CUPS[@]}" lpstat -l -p receipt | grep -q 'Description: BRINDOL 80mm Receipt Printer'; then
    pass "the queue: $(sed -nE 's/^\*(Manufacturer|NickName): //p' "$ppd" | paste -sd ' ')"
  else
    fail "the queue's make and model: $(grep -E '^\*(Manufacturer|NickName)' "$ppd" | paste -sd ' ')"
  fi

  # A4 and receipt-sized PDFs (content between the two distances from the
  # top, in millimetres), a photo and a text file.
  python3 "$here/make_pdf.py" "$OUT/a4.pdf" 210 297 20 60 &&
    python3 "$here/make_pdf.py" "$OUT/receipt.pdf" 80 120 5 100 &&
    "$BIN/receipt_sample" "$OUT/receipt.pgm" && pnmtojpeg "$OUT/receipt.pgm" >"$OUT/photo.jpg" &&
    printf 'Table 4\n2 x Coffee      5.80\n1 x Cake        3.20\nTotal           9.00\n' \
      >"$OUT/notes.txt" || return 1
  # name|document|lp options|halftone, cut the job prints with|printed content (mm)
  local cases=(
    "A4 PDF|a4.pdf||floyd-steinberg partial|14.5"
    "receipt PDF, 80 x 120 mm|receipt.pdf||floyd-steinberg partial|95"
    "JPEG, draft: a photo|photo.jpg|-o print-quality=3|ordered partial|"
    "text file|notes.txt||floyd-steinberg partial|"
    "text file, high quality|notes.txt|-o print-quality=5|jarvis-judice-ninke partial|"
    "draft, trimmed|receipt.pdf|-o print-quality=3 -o finishings=11|none full|95"
  )
  local row name doc options expected content id jobs state settings paper drawn=0
  for row in "${cases[@]}"; do
    IFS='|' read -r name doc options expected content <<<"$row"
    jobs=$(job_count)
    # shellcheck disable=SC2086  # the options are words
    id=$("${CUPS[@]}" lp -d receipt $options "$OUT/$doc" 2>>"$OUT/cli.out" | sed -nE 's/.*receipt-([0-9]+).*/\1/p')
    [[ -n $id ]] || { fail "$name: lp refused the document"; continue; }
    poll 150 0.2 eval '[[ $(cups_job_state "$id") =~ ^(completed|aborted|canceled) ]]'
    state=$(cups_job_state "$id")
    if ! [[ $state == completed* ]] || ! wait_jobs $((jobs + 1)); then
      fail "$name: CUPS job $id '$state', $(($(job_count) - jobs)) job(s) at the printer"
      continue
    fi
    settings=$(grep -o 'Printing with .*' "$OUT/app.log" | tail -n 1)
    # The picture of what was printed, kept: OUT/printed-<document>-<case>.png.
    "$BIN/rasterview" "$(last_job)" -o "$OUT/printed-${doc%.*}-$((++drawn)).png" >/dev/null 2>&1 &&
      paper=$(paper_mm "$(last_job)") || { fail "$name: rasterview cannot draw the job"; continue; }
    local -a mm=($paper)
    if ! [[ $settings == *"halftone-method=${expected% *} "* && $settings == *"cut-at-job-end=${expected#* } "* ]]; then
      fail "$name: expected ${expected}, the application logged '$settings'"
    elif [[ -n $content ]] && ! python3 -c "import sys
paper, top, got, bottom, want = map(float, sys.argv[1:])
sys.exit(not (abs(got - want) <= 3 and top + bottom <= 10))" $paper "$content"; then
      fail "$name: $paper mm (paper, blank top, content, blank bottom); content should be $content mm"
    else
      pass "$name: ${expected}, ${mm[0]} mm of paper for ${mm[2]} mm printed"
    fi
  done
  # Stopped and started again at once, as a service restart does: CUPS's
  # queue prints on, and the application kept its history.
  local began=$SECONDS
  "$APP" shutdown >>"$OUT/cli.out" 2>&1 && start_app || { fail "no restart"; return; }
  jobs=$(job_count)
  id=$("${CUPS[@]}" lp -d receipt "$OUT/receipt.pdf" 2>>"$OUT/cli.out" | sed -nE 's/.*receipt-([0-9]+).*/\1/p')
  poll 150 0.2 eval '[[ $(cups_job_state "${id:-0}") =~ ^(completed|aborted|canceled) ]]'
  if [[ $(cups_job_state "${id:-0}") == completed* ]] && wait_jobs $((jobs + 1)) &&
    [[ $(job_state r80 1) == completed* ]]; then
    pass "restarted in $((SECONDS - began)) s: CUPS prints on, the first job is still listed"
  else
    fail "after the restart: CUPS job ${id:-?} '$(cups_job_state "${id:-0}")', job 1 '$(job_state r80 1)'"
  fi
}

app_lab_init
case $suite in
  bytes | bad-input | discovery | conformance | browser | dnssd | status | lifecycle | cups) "suite_${suite//-/_}" || fail "setup" ;;
  *) echo "usage: $0 bytes|bad-input|discovery|conformance|browser|status|dnssd|lifecycle|cups BIN NETPRINTER OUT" >&2; exit 2 ;;
esac
app_lab_stop
if grep -qE 'ERROR: (Address|Undefined|Leak)Sanitizer|runtime error' "$OUT/server.out" "$OUT/app.log" 2>/dev/null; then
  fail "the printer application reported a sanitizer error (see $OUT/server.out)"
fi
echo "$failures failure(s)"
((failures == 0))
