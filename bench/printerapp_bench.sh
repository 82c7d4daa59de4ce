#!/usr/bin/env bash
# Whole jobs through the printer application, side by side with LPrint (a
# PAPPL label printer application, Debian's lprint) in the same run: a
# 576 x 3000 receipt page as PWG raster (sgray_8, 203 dpi), sent N times over
# IPP with ipptool, each job waited for, into a socket device served by
# netprinter. Ours prints with Floyd-Steinberg; LPrint drives its nearest
# equivalent, a 2-inch 203 dpi ZPL direct-thermal label printer.
# Reported: pages per second (wall clock, submit to completion) and the
# server process's CPU time per page (user + system, from /proc).
#
# Usage: bench/printerapp_bench.sh [NATIVE_RELEASE_BUILD_DIR] [JOBS]
# Runs inside a network lab of its own (tests/net/lab.sh); nothing leaves it.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/native-release}" && pwd)
jobs=${2:-30}
if [[ "${BRINDOL_LAB:-}" != 1 ]]; then
  exec bash "$root/tests/net/lab.sh" bash "$0" "$build" "$jobs"
fi
BIN=$build/bin NETPRINTER=$build/tools/netprinter/netprinter OUT=$build/bench/printerapp
source "$root/tests/printerapp/app_lab.sh"
app_lab_init
unset LSAN_OPTIONS
start_printer 10.77.1.2
# LPrint's printer stores its jobs apart (netprinter numbers each run's jobs).
nsenter -t "$BRINDOL_LAB_PRINTER_PID" -n "$NETPRINTER" --address 10.77.2.2 --jobs "$OUT/lprint-jobs" \
  >>"$OUT/netprinter.log" 2>&1 &
PIDS+=($!)

# The page: the sample receipt repeated to 3000 lines.
"$BIN/receipt_sample" "$OUT/sample.pgm"
pnmcat -tb $(for _ in $(seq 10); do echo "$OUT/sample.pgm"; done) | pamcut -height 3000 >"$OUT/page.pgm"
"$BIN/make_raster" "$OUT/page.pgm" "$OUT/page.pwg"

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# run NAME SERVER-PID URI ATTRIBUTE VALUE: prints a table row with pages/s
# and CPU ms/page; ATTRIBUTE=VALUE is the keyword job attribute sent.
run() {
  local name=$1 pid=$2 uri=$3 attribute=$4 value=$5
  shift 5
  local test=$OUT/print-$attribute.test
  sed "s/ATTRIBUTE VALUE/$attribute $value/" >"$test" <<'T'
{
  OPERATION Print-Job
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR name requesting-user-name bench
  ATTR mimeMediaType document-format image/pwg-raster
  GROUP job-attributes-tag
  ATTR keyword ATTRIBUTE VALUE
  FILE $filename
  STATUS successful-ok
}
{
  OPERATION Get-Job-Attributes
  GROUP operation-attributes-tag
  ATTR charset attributes-charset utf-8
  ATTR naturalLanguage attributes-natural-language en
  ATTR uri printer-uri $uri
  ATTR integer job-id $job-id
  STATUS successful-ok
  EXPECT job-state WITH-VALUE >6 REPEAT-NO-MATCH REPEAT-LIMIT 1000
}
T
  # One job first, outside the measurement (connections, caches).
  ipptool -T 120 -f "$OUT/page.pwg" "$@" "$uri" "$test" >/dev/null 2>&1
  local ticks hz start end before after
  hz=$(getconf CLK_TCK)
  before=$(cpu_ticks "$pid")
  start=$(date +%s.%N)
  for _ in $(seq "$jobs"); do
    ipptool -T 120 -t -f "$OUT/page.pwg" "$@" "$uri" "$test" >"$OUT/ipptool.out" 2>&1 || { echo "$name: a job failed" >&2; cat "$OUT/ipptool.out" >&2; return 1; }
  done
  end=$(date +%s.%N)
  after=$(cpu_ticks "$pid")
  python3 -c "
jobs, wall, ticks, hz = $jobs, $end - $start, $after - $before, $hz
print(f'| $name | {jobs} | {jobs / wall:.1f} | {1000 * ticks / hz / jobs:.1f} | {1000 * wall / jobs:.1f} |')"
}

# Ours (release build).
start_app || exit 1
add_printer r80 brindol_80 socket://10.77.1.2:9100 || exit 1
ours=${PIDS[0]}  # start_app puts the server first

# LPrint, with its state, spool and control socket in the lab's short private
# folder as well; its logs in OUT.
mkdir -p "$OUT/lprint" "$TMPDIR/lprint"
SNAP_COMMON=$TMPDIR/lprint TMPDIR=$TMPDIR/lprint lprint server -o server-port=8632 \
  -o listen-hostname=127.0.0.1 -o log-level=warn -o log-file="$OUT/lprint/lprint.log" \
  >"$OUT/lprint/server.out" 2>&1 &
PIDS+=($!)
lprint_pid=$!
for _ in $(seq 100); do SNAP_COMMON=$TMPDIR/lprint TMPDIR=$TMPDIR/lprint lprint status >/dev/null 2>&1 && break; sleep 0.1; done
SNAP_COMMON=$TMPDIR/lprint TMPDIR=$TMPDIR/lprint lprint add -d label -m zpl_2inch-203dpi-dt \
  -v socket://10.77.2.2:9100 >"$OUT/lprint/add.out" 2>&1 || { cat "$OUT/lprint/add.out"; exit 1; }

echo "| application | jobs | pages/s | CPU ms/page (server) | wall ms/page |"
echo "|---|---|---|---|---|"
run "brindol-printer-app (brindol_80, floyd-steinberg)" "$ours" ipp://127.0.0.1:8631/ipp/print/r80 \
  halftone-method floyd-steinberg
run "brindol-printer-app (brindol_80, threshold)" "$ours" ipp://127.0.0.1:8631/ipp/print/r80 \
  halftone-method none
run "LPrint 1.1 (zpl_2inch-203dpi-dt)" "$lprint_pid" ipp://127.0.0.1:8632/ipp/print/label \
  print-content-optimize auto
SNAP_COMMON=$TMPDIR/lprint TMPDIR=$TMPDIR/lprint lprint shutdown >/dev/null 2>&1
app_lab_stop
