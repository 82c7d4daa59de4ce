#!/usr/bin/env bash
# Whole jobs through the printer application, side by side with LPrint 1.4.0
# (a PAPPL label and receipt printer application, built from its release
# source by bench/build_lprint.sh) and its escpos_80mm driver, in the same
# run, each printing into a socket device served by netprinter that answers
# status requests as a ready printer (LPrint's driver asks for the paper sensor
# status, ESC v, before and after each job; from a printer that does not
# answer it sends 8 bytes and gives up after 10 s). Two pages, as PWG raster (sgray_8, 203 dpi), each
# sent N times over IPP with ipptool (Print-Job), each job waited for until the
# printer has all of it (asked of the printer, so that no polling of job
# states adds to the servers' CPU): a 576 x 3000 receipt page (the sample
# receipt repeated) and the sample receipt itself.
# Reported per driver and page: pages per second (wall clock, submit to
# completion), the server process's CPU time per page (user + system, from
# /proc), the bytes the printer received per job, and the time from
# submitting a job to its first byte at the printer (mean and worst; the
# first bytes are LPrint's reset and status request, our status request).
#
# Usage: bench/printerapp_bench.sh [NATIVE_RELEASE_BUILD_DIR] [JOBS]
#   LPRINT=PATH uses that lprint program instead of building one.
# Runs inside a network lab of its own (tests/net/lab.sh); nothing leaves it.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/native-release}" && pwd)
jobs=${2:-30}

# Our rows: "DRIVER HALFTONE-METHOD" each, one printer per driver. A driver of
# ours is benchmarked by adding its entries here.
OURS=("brindol_80 floyd-steinberg" "brindol_80 ordered" "brindol_80 none"
      "escpos_generic_80 floyd-steinberg" "escpos_generic_80 ordered" "escpos_generic_80 none")
LPRINT_DRIVER=escpos_80mm

if [[ "${BRINDOL_LAB:-}" != 1 ]]; then
  if [[ -z ${LPRINT:-} ]]; then
    LPRINT=$("$here/build_lprint.sh" "$build" | tail -n 1) || exit 1
  fi
  export LPRINT
  exec bash "$root/tests/net/lab.sh" bash "$0" "$build" "$jobs"
fi
BIN=$build/bin NETPRINTER=$build/tools/netprinter/netprinter OUT=$build/bench/printerapp
source "$root/tests/printerapp/app_lab.sh"
app_lab_init
unset LSAN_OPTIONS
# Each application's printer stores its jobs and logs apart; both answer
# status as a ready printer with paper.
printer() {  # printer ADDRESS NAME
  nsenter -t "$BRINDOL_LAB_PRINTER_PID" -n "$NETPRINTER" --address "$1" --jobs "$OUT/$2-jobs" \
    --state ok >>"$OUT/$2-netprinter.log" 2>&1 &
  PIDS+=($!)
}
printer 10.77.1.2 ours
printer 10.77.2.2 lprint

# The pages: the sample receipt, and the sample repeated to 3000 lines.
"$BIN/receipt_sample" "$OUT/sample.pgm"
pnmcat -tb $(for _ in $(seq 10); do echo "$OUT/sample.pgm"; done) | pamcut -height 3000 >"$OUT/page.pgm"
"$BIN/make_raster" "$OUT/page.pgm" "$OUT/page.pwg"
"$BIN/make_raster" "$OUT/sample.pgm" "$OUT/sample.pwg"

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# connections LOG: how many connections the printer has seen (a first byte each).
connections() { grep -c ' first byte at ' "$1"; }
# settle LOG: until the printer has stored every job it began (it stores one
# when its connection closes).
settled() { (($(grep -c ' stored job ' "$1") >= $(connections "$1"))); }
settle() { poll 100 0.1 settled "$1"; }
# stored LOG N: the printer has stored N jobs in all.
stored_jobs() { grep -c ' stored job ' "$1"; }
stored() { (($(stored_jobs "$1") >= $2)); }

# run NAME SERVER-PID URI PAGE PRINTER ATTRIBUTE VALUE [ipptool options...]:
# prints a table row; ATTRIBUTE=VALUE is the keyword job attribute sent,
# PRINTER names the netprinter (its log and jobs) that receives the jobs.
run() {
  local name=$1 pid=$2 uri=$3 page=$4 log=$OUT/$5-netprinter.log attribute=$6 value=$7
  shift 7
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
T
  # One job first, outside the measurement (connections, caches).
  ipptool -T 120 -f "$OUT/$page.pwg" "$@" "$uri" "$test" >/dev/null 2>&1
  poll 6000 0.005 stored "$log" $(($(stored_jobs "$log") + 1))
  settle "$log"
  local hz start end before after first submitted=$OUT/submitted.txt
  hz=$(getconf CLK_TCK)
  first=$(connections "$log")
  local done
  done=$(stored_jobs "$log")
  : >"$submitted"
  before=$(cpu_ticks "$pid")
  start=$(date +%s.%N)
  for _ in $(seq "$jobs"); do
    date +%s.%N >>"$submitted"
    ipptool -T 120 -t -f "$OUT/$page.pwg" "$@" "$uri" "$test" >"$OUT/ipptool.out" 2>&1 || { echo "$name: a job failed" >&2; cat "$OUT/ipptool.out" >&2; return 1; }
    # Done when the printer has the whole job (its connection closed): asked of
    # the printer, not of the server, whose CPU is being measured.
    poll 6000 0.005 stored "$log" $((done + 1)) || { echo "$name: a job did not arrive" >&2; return 1; }
    done=$((done + 1))
  done
  end=$(date +%s.%N)
  after=$(cpu_ticks "$pid")
  settle "$log" || echo "$name: the printer still holds an open connection" >&2
  python3 - "$log" "$first" "$submitted" <<PY
import re, sys
log, first, submitted = sys.argv[1], int(sys.argv[2]), sys.argv[3]
starts, sizes = {}, {}
for line in open(log):
    if m := re.match(r'netprinter: job (\d+) first byte at ([\d.]+)', line):
        starts[int(m[1])] = float(m[2])
    elif m := re.match(r'netprinter: stored job (\d+) \((\d+) bytes\)', line):
        sizes[int(m[1])] = int(m[2])
# Every byte the printer received during the measured jobs, per job; and for
# each job, its submission to the next connection's first byte.
firsts = sorted(t for job, t in starts.items() if job > first)
waits = []
for t in (float(x) for x in open(submitted)):
    later = [f for f in firsts if f >= t]
    if later:
        waits.append(later[0] - t)
jobs, wall, ticks, hz = $jobs, $end - $start, $after - $before, $hz
total = sum(size for job, size in sizes.items() if job > first)
first_byte = (f'{1000 * sum(waits) / len(waits):.1f} / {1000 * max(waits):.1f}'
              if len(waits) == jobs else f'{len(waits)} of {jobs} seen')
print(f'| $name | $page | {jobs} | {jobs / wall:.1f} | {1000 * ticks / hz / jobs:.1f} | '
      f'{1000 * wall / jobs:.1f} | {total / jobs:,.0f} | {first_byte} |')
PY
}

# Ours (release build): a printer for each driver in OURS, logging as LPrint
# does here (warnings only), so that both servers do equal work.
start_app -o log-level=warn || exit 1
ours=${PIDS[0]}  # start_app puts the server first
declare -A added
for row in "${OURS[@]}"; do
  driver=${row%% *}
  [[ -n ${added[$driver]:-} ]] && continue
  add_printer "$driver" "$driver" socket://10.77.1.2:9100 || exit 1
  added[$driver]=1
done

# LPrint, with its state, spool and control socket in the lab's short private
# folder as well; its logs in OUT.
lprint_dir=$TMPDIR/lprint
mkdir -p "$OUT/lprint" "$lprint_dir"
lprint() { SNAP_COMMON=$lprint_dir TMPDIR=$lprint_dir "$LPRINT" "$@"; }
# The server itself, not a shell around it: its CPU time is measured.
SNAP_COMMON=$lprint_dir TMPDIR=$lprint_dir "$LPRINT" server -o server-port=8632 \
  -o listen-hostname=127.0.0.1 -o log-level=warn -o log-file="$OUT/lprint/lprint.log" \
  >"$OUT/lprint/server.out" 2>&1 &
PIDS+=($!)
lprint_pid=$!
# LPrint's commands start a server of their own when none answers yet: wait
# for this one's port first.
listening() { (exec 3<>/dev/tcp/127.0.0.1/8632) 2>/dev/null; }
if ! poll 100 0.1 listening || ! poll 50 0.1 lprint status >/dev/null 2>&1; then
  echo "LPrint did not start; see $OUT/lprint" >&2
  exit 1
fi
lprint add -d receipt -m "$LPRINT_DRIVER" -v socket://10.77.2.2:9100 >"$OUT/lprint/add.out" 2>&1 ||
  { cat "$OUT/lprint/add.out"; exit 1; }
lprint_version=$("$LPRINT" --version 2>/dev/null | head -n 1)
# What LPrint's printer offers (media, margins, resolutions), for reading its rows.
ipptool -tv ipp://127.0.0.1:8632/ipp/print/receipt get-printer-attributes.test \
  >"$OUT/lprint/printer-attributes.txt" 2>&1
grep -q media-col-default "$OUT/lprint/printer-attributes.txt" ||
  { echo "LPrint's printer was not added; see $OUT/lprint" >&2; exit 1; }

echo "| application | page | jobs | pages/s | server CPU ms/page | wall ms/page | bytes per job | submit to first byte ms (mean / worst) |"
echo "|---|---|---|---|---|---|---|---|"
for page in page sample; do
  for row in "${OURS[@]}"; do
    driver=${row%% *} method=${row#* }
    run "ours $driver, $method" "$ours" "$URI_BASE/$driver" "$page" ours halftone-method "$method"
  done
  run "LPrint $lprint_version $LPRINT_DRIVER" "$lprint_pid" ipp://127.0.0.1:8632/ipp/print/receipt \
    "$page" lprint print-content-optimize auto
done
lprint shutdown >/dev/null 2>&1
app_lab_stop
