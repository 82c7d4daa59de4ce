#!/usr/bin/env bash
# End-to-end checks of the printer application, run inside tests/net/lab.sh:
#   e2e.sh bytes|bad-input|discovery BIN NETPRINTER OUT
# bytes:     jobs in every format and setting; the stream netprinter stores
#            must equal bandhost's for the same page and settings, plus the
#            job's cut and drawer commands.
# bad-input: broken documents and printers end jobs with a clear reason, and
#            the application keeps serving.
# discovery: the brindol-net scheme lists the printers that answer.
set -uo pipefail
suite=$1 BIN=$2 NETPRINTER=$3 OUT=$4
here=$(dirname "$0")
source "$here/app_lab.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

# Shows the first difference of two streams, with the bytes around it.
explain_difference() {
  local first
  first=$(cmp "$1" "$2" 2>&1 | head -n 1)
  echo "      $first (expected $(stat -c %s "$1") bytes, got $(stat -c %s "$2"))"
  local at
  at=$(sed -nE 's/.*byte ([0-9]+).*/\1/p' <<<"$first")
  if [[ -n $at ]]; then
    local from=$((at > 16 ? at - 16 : 0))
    echo "      expected:"; xxd -s "$from" -l 48 "$1" | sed 's/^/        /'
    echo "      got:"; xxd -s "$from" -l 48 "$2" | sed 's/^/        /'
  fi
}

# expect_job NAME EXPECTED: the newest stored job must equal EXPECTED.
expect_job() {
  local name=$1 expected=$2 want=$3
  if ! wait_jobs "$want"; then
    fail "$name: the printer received no job ($JOB_STATE)"
    return
  fi
  local got
  got=$(last_job)
  if cmp -s "$expected" "$got"; then
    pass "$name"
  else
    fail "$name: stream differs from bandhost's"
    explain_difference "$expected" "$got"
  fi
}

hex() { printf '%b' "$(sed 's/\([0-9A-F][0-9A-F]\)/\\x\1/g' <<<"$1")"; }
PARTIAL_CUT=1D564200
FULL_CUT=1D564100
DRAWER=1B700019FA

# bandhost_stream OUT PAGE [bandhost options]: the plug-in's bytes for PAGE.
bandhost_stream() {
  local out=$1 page=$2
  shift 2
  "$BIN/bandhost" --band-height 240 "$page" "$@" -o "$out"
}

# One case: print FILE as FORMAT with settings, compare with bandhost's
# stream of PAGE (with OPTIONS) framed by PREFIX/SUFFIX hex commands, repeated
# PAGES times.
declare -A HALFTONE_NAME=([none]=HT_NONE [ordered]=HT_Ordered [burkes]=HT_Burkes
  [stucki]=HT_Stucki [floyd-steinberg]=HT_FloydSteinberg
  [jarvis-judice-ninke]=HT_Jarvis-Judice-Ninke [sierra]=HT_Sierra
  [stevenson-arce]=HT_StevensonArce)
declare -A SAVING_NAME=([off]=SavePaper_Off [top]=SavePaper_Top [bottom]=SavePaper_Bottom
  [top-and-bottom]=SavePaper_TopAndBottom)

jobs_sent=0
# check_case NAME PRINTER FILE FORMAT PAGE PAGES PREFIX SUFFIX [setting=value...]
check_case() {
  local name=$1 printer=$2 file=$3 format=$4 page=$5 pages=$6 prefix=$7 suffix=$8
  shift 8
  local -A s=([halftone]=none [upside]=false [offset]=0 [saving]=off [orientation]=portrait)
  local kv
  for kv in "$@"; do s[${kv%%=*}]=${kv#*=}; done
  local offsetText
  if ((s[offset] < 0)); then offsetText=M$((-s[offset] * 10)); else offsetText=P$((s[offset] * 10)); fi
  local options=(--halftone "${HALFTONE_NAME[${s[halftone]}]}" --offset "$offsetText"
    --translate "$([[ ${s[upside]} == true ]] && echo TRANS_180 || echo TRANS_NONE)"
    --save-paper "${SAVING_NAME[${s[saving]}]}")
  [[ ${s[orientation]} == landscape ]] && options+=(--landscape)
  bandhost_stream "$OUT/page.bin" "$page" "${options[@]}" || { fail "$name: bandhost failed"; return; }
  {
    hex "$prefix"
    for _ in $(seq "$pages"); do cat "$OUT/page.bin"; done
    hex "$suffix"
  } >"$OUT/expected.bin"
  ipp_print "$printer" "$file" "$format" "$@" || {
    fail "$name: ipptool reports a failure"
    sed 's/^/      /' "$OUT/ipptool.out"
    return
  }
  jobs_sent=$((jobs_sent + 1))
  expect_job "$name" "$OUT/expected.bin" "$jobs_sent"
}

suite_bytes() {
  start_printer 10.77.1.2
  start_app || return 1
  add_printer r80 brindol_80 socket://10.77.1.2:9100 || return 1
  add_printer r58 brindol_58 socket://10.77.1.2:9100 || return 1

  "$BIN/receipt_sample" "$OUT/receipt.pgm" || return 1
  "$BIN/make_raster" "$OUT/receipt.pgm" "$OUT/receipt.pwg" || return 1
  "$BIN/make_raster" --urf "$OUT/receipt.pgm" "$OUT/receipt.urf" || return 1
  "$BIN/make_raster" --pages 2 "$OUT/receipt.pgm" "$OUT/receipt2.pwg" || return 1
  "$BIN/make_raster" --space k "$OUT/receipt.pgm" "$OUT/receipt-k.pwg" || return 1
  # A page drawn for the whole 80 mm roll (639 dots): the head prints the
  # middle 576, from dot 32 on.
  pamcut -left 0 -width 576 "$OUT/receipt.pgm" | pnmpad -white -left 32 -right 31 >"$OUT/roll.pgm"
  "$BIN/make_raster" "$OUT/roll.pgm" "$OUT/roll.pwg" || return 1
  # A 58 mm page.
  pamcut -left 96 -width 384 "$OUT/receipt.pgm" >"$OUT/narrow.pgm"
  "$BIN/make_raster" "$OUT/narrow.pgm" "$OUT/narrow.pwg" || return 1

  local h
  for h in none ordered burkes stucki floyd-steinberg jarvis-judice-ninke sierra stevenson-arce; do
    check_case "PWG raster, $h" r80 "$OUT/receipt.pwg" image/pwg-raster "$OUT/receipt.pgm" 1 "" "" \
      halftone=$h
  done
  check_case "Apple raster, floyd-steinberg" r80 "$OUT/receipt.urf" image/urf "$OUT/receipt.pgm" 1 "" "" \
    halftone=floyd-steinberg
  check_case "upside down, 5 mm right, paper saving top and bottom" r80 "$OUT/receipt.pwg" \
    image/pwg-raster "$OUT/receipt.pgm" 1 "" "" halftone=sierra upside=true offset=5 saving=top-and-bottom
  check_case "12 mm left, paper saving top" r80 "$OUT/receipt.pwg" image/pwg-raster \
    "$OUT/receipt.pgm" 1 "" "" halftone=ordered offset=-12 saving=top
  check_case "landscape, paper saving bottom" r80 "$OUT/receipt.pwg" image/pwg-raster \
    "$OUT/receipt.pgm" 1 "" "" halftone=burkes orientation=landscape saving=bottom
  check_case "partial cut" r80 "$OUT/receipt.pwg" image/pwg-raster "$OUT/receipt.pgm" 1 "" \
    $PARTIAL_CUT cut=partial
  check_case "full cut, drawer before" r80 "$OUT/receipt.pwg" image/pwg-raster "$OUT/receipt.pgm" 1 \
    $DRAWER $FULL_CUT cut=full drawer=before
  check_case "partial cut, drawer after" r80 "$OUT/receipt.pwg" image/pwg-raster "$OUT/receipt.pgm" 1 \
    "" $PARTIAL_CUT$DRAWER cut=partial drawer=after
  check_case "two pages" r80 "$OUT/receipt2.pwg" image/pwg-raster "$OUT/receipt.pgm" 2 "" "" \
    halftone=stucki
  check_case "black_8 raster" r80 "$OUT/receipt-k.pwg" image/pwg-raster "$OUT/receipt.pgm" 1 "" "" \
    halftone=jarvis-judice-ninke
  check_case "page as wide as the roll" r80 "$OUT/roll.pwg" image/pwg-raster "$OUT/receipt.pgm" 1 "" "" \
    halftone=floyd-steinberg
  check_case "58 mm printer" r58 "$OUT/narrow.pwg" image/pwg-raster "$OUT/narrow.pgm" 1 "" "" \
    halftone=stevenson-arce

  # PNG and JPEG are drawn by PAPPL onto the page; the stream must decode
  # and be the head's width.
  pnmtopng "$OUT/receipt.pgm" >"$OUT/receipt.png"
  pnmtojpeg "$OUT/receipt.pgm" >"$OUT/receipt.jpg"
  local f format
  for f in png:image/png jpg:image/jpeg; do
    format=${f#*:}
    if ! ipp_print r80 "$OUT/receipt.${f%%:*}" "$format" halftone=floyd-steinberg ||
      ! grep -q 'job-state (enum) = completed' "$OUT/ipptool.out"; then
      fail "$format: job did not complete: $JOB_STATE"
      continue
    fi
    jobs_sent=$((jobs_sent + 1))
    if ! wait_jobs "$jobs_sent"; then fail "$format: the printer received nothing"; continue; fi
    if "$BIN/rasterview" "$(last_job)" -o "$OUT/${f%%:*}.png" >"$OUT/rasterview.out" 2>&1 &&
      [[ $(od -An -tu1 -j 4 -N 2 "$(last_job)" | tr -s ' ') == " 72 0" ]]; then
      pass "$format: a valid stream of 576-dot rows"
    else
      fail "$format: the stream is not valid: $(cat "$OUT/rasterview.out")"
    fi
  done
}

expect_reason() {  # NAME PATTERN
  if grep -q 'job-state (enum) = aborted' "$OUT/ipptool.out" && grep -qE "$2" "$OUT/ipptool.out"; then
    pass "$1: $(grep -E 'job-state-message' "$OUT/ipptool.out" | sed 's/.*= //')"
  else
    fail "$1: no aborted job with /$2/"
    sed 's/^/      /' "$OUT/ipptool.out"
  fi
}

still_serving() {  # NAME: a good job after a bad one still prints
  local before
  before=$(job_count)
  if ipp_print r80 "$OUT/small.pwg" image/pwg-raster && grep -q 'completed' "$OUT/ipptool.out" &&
    wait_jobs $((before + 1)); then
    pass "$1: still serving"
  else
    fail "$1: the next job did not print"
  fi
}

suite_bad_input() {
  start_printer 10.77.1.2
  start_app || return 1
  add_printer r80 brindol_80 socket://10.77.1.2:9100 || return 1
  "$BIN/receipt_sample" --compact "$OUT/small.pgm" || return 1
  "$BIN/make_raster" "$OUT/small.pgm" "$OUT/small.pwg" || return 1

  # A document that ends inside a page: the client's request ends, so the
  # job must end too, with the reason, and the next job must print.
  head -c 20000 "$OUT/small.pwg" >"$OUT/truncated.pwg"
  # PAPPL reads a raster document as it arrives and waits for the rest of a
  # page until the client gives up (here after 5 s).
  IPP_TIMEOUT=5 ipp_print r80 "$OUT/truncated.pwg" image/pwg-raster
  JOB_ID=1
  if wait_job_end r80 "$JOB_ID" 60 && [[ $JOB_STATE =~ ^aborted.*truncated && $JOB_STATE == *document-format-error* ]]; then
    pass "truncated PWG raster: $JOB_STATE"
  else
    fail "truncated PWG raster: $JOB_STATE"
  fi
  still_serving "after a truncated document"
  # Width 0 in the page header.
  python3 - "$OUT/small.pwg" "$OUT/zero.pwg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
data[4 + 372:4 + 376] = (0).to_bytes(4, 'big')  # cupsWidth
open(sys.argv[2], 'wb').write(data)
PY
  ipp_print r80 "$OUT/zero.pwg" image/pwg-raster
  expect_reason "page of zero width" 'document-format-error'
  still_serving "after a zero-width page"

  # A page twice the roll's width, without scaling.
  "$BIN/make_raster" --width 1400 "$OUT/small.pgm" "$OUT/wide.pwg"
  ipp_print r80 "$OUT/wide.pwg" image/pwg-raster scaling=none
  expect_reason "too wide, no scaling" 'document-unprintable-error'
  local before
  before=$(job_count)
  ipp_print r80 "$OUT/wide.pwg" image/pwg-raster scaling=auto
  if grep -q 'job-state (enum) = completed' "$OUT/ipptool.out" && wait_jobs $((before + 1)) &&
    "$BIN/rasterview" "$(last_job)" -o "$OUT/wide.png" >/dev/null 2>&1 &&
    [[ $(od -An -tu1 -j 4 -N 2 "$(last_job)" | tr -s ' ') == " 72 0" ]]; then
    pass "too wide, scaled to the head's 576 dots"
  else
    fail "too wide with scaling: $JOB_STATE"
  fi

  ipp_print r80 "$OUT/small.pwg" image/pwg-raster halftone=no-such-method
  expect_reason "unknown halftone-method" "unsupported halftone-method value 'no-such-method'"
  ipp_print r80 "$OUT/small.pwg" image/pwg-raster offset=99
  expect_reason "horizontal-offset out of range" "unsupported horizontal-offset value '99'"
  still_serving "after unknown values"

  # A PNG that claims 100,000 x 100,000 dots.
  python3 - "$OUT/huge.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
row = b'\0' + b'\xff' * 100000
idat = zlib.compress(row * 64)
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 100000, 100000, 8, 0, 0, 0, 0))
png += chunk(b'IDAT', idat) + chunk(b'IEND', b'')
open(sys.argv[1], 'wb').write(png)
PY
  NOWAIT=1 ipp_print r80 "$OUT/huge.png" image/png
  if wait_job_end r80 "$JOB_ID" 60 && [[ $JOB_STATE =~ ^aborted && $JOB_STATE == *document-unprintable-error* ]]; then
    pass "PNG of 100000 x 100000: $JOB_STATE"
  else
    fail "PNG of 100000 x 100000: $JOB_STATE"
  fi
  # A PNG whose data ends early.
  python3 - "$OUT/damaged.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 1000, 5000, 8, 0, 0, 0, 0))
png += chunk(b'IDAT', zlib.compress((b'\0' + b'\x80' * 1000) * 64)) + chunk(b'IEND', b'')
open(sys.argv[1], 'wb').write(png)
PY
  NOWAIT=1 ipp_print r80 "$OUT/damaged.png" image/png
  if wait_job_end r80 "$JOB_ID" 60 && [[ $JOB_STATE =~ ^aborted && $JOB_STATE == *document-format-error* ]]; then
    pass "damaged PNG: $JOB_STATE"
  else
    fail "damaged PNG: $JOB_STATE"
  fi
  still_serving "after a huge and a damaged PNG"

  # A printer that closes the connection mid-job and one that never answers.
  add_printer closer brindol_80 socket://10.77.1.2:9200 || return 1
  nsenter -t "$BRINDOL_LAB_PRINTER_PID" -n python3 - <<'PY' &
import socket
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(('10.77.1.2', 9200)); s.listen(1)
c, _ = s.accept(); c.recv(1000); c.close(); s.close()
PY
  PIDS+=($!)
  "$BIN/make_raster" --pages 20 "$OUT/small.pgm" "$OUT/long.pwg"
  NOWAIT=1 ipp_print closer "$OUT/long.pwg" image/pwg-raster
  if wait_job_end closer "$JOB_ID" 120 && [[ $JOB_STATE == aborted* ]]; then
    pass "printer closes mid-job: $JOB_STATE"
  else
    fail "printer closes mid-job: $JOB_STATE"
  fi
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
  if [[ $JOB_STATE =~ ^(pending|processing) ]]; then
    pass "printer that never answers: job $JOB_STATE printer: $printer"
  else
    fail "printer that never answers: job $JOB_STATE printer: $printer"
  fi
  still_serving "after broken printers"
}

suite_discovery() {
  start_printer 10.77.1.2 --announce 10.77.1.2
  start_printer 10.77.2.2 --announce 192.168.200.7 --tcp-port 9101
  start_app || return 1
  sleep 0.5
  local listed
  listed=$(BRINDOL_DISCOVERY_INTERFACES="v0,v1" "$APP" devices 2>&1)
  echo "$listed" | sed 's/^/      /'
  if grep -q 'brindol-net://10.77.1.2' <<<"$listed" && grep -q 'brindol-net://192.168.200.7' <<<"$listed"; then
    pass "devices lists both printers, the address taken from the reply"
  else
    fail "devices did not list the printers"
  fi
  listed=$(BRINDOL_DISCOVERY_INTERFACES="v1" "$APP" devices 2>&1)
  if grep -q 'brindol-net://192.168.200.7' <<<"$listed" && ! grep -q 'brindol-net://10.77.1.2' <<<"$listed"; then
    pass "only the chosen interface is asked"
  else
    fail "interface choice not honoured: $listed"
  fi
  listed=$("$APP" devices 2>&1)
  if ! grep -q 'brindol-net://' <<<"$listed"; then
    pass "no interface chosen, no discovery"
  else
    fail "discovery ran without a chosen interface"
  fi
  # Print through the discovered printer's URI.
  add_printer found brindol_80 brindol-net://10.77.1.2 || return 1
  "$BIN/receipt_sample" --compact "$OUT/small.pgm" || return 1
  "$BIN/make_raster" "$OUT/small.pgm" "$OUT/small.pwg" || return 1
  "$BIN/bandhost" --band-height 240 "$OUT/small.pgm" --halftone HT_NONE -o "$OUT/expected.bin"
  ipp_print found "$OUT/small.pwg" image/pwg-raster
  expect_job "printing to brindol-net://10.77.1.2" "$OUT/expected.bin" 1
}

app_lab_init
case $suite in
  bytes) suite_bytes || fail "setup" ;;
  bad-input) suite_bad_input || fail "setup" ;;
  discovery) suite_discovery || fail "setup" ;;
  *) echo "usage: $0 bytes|bad-input|discovery BIN NETPRINTER OUT" >&2; exit 2 ;;
esac
app_lab_stop
if grep -qE 'ERROR: (Address|Undefined|Leak)Sanitizer|runtime error' "$OUT/server.out" "$OUT/app.log" 2>/dev/null; then
  fail "the printer application reported a sanitizer error (see $OUT/server.out)"
fi
echo "$failures failure(s)"
((failures == 0))
