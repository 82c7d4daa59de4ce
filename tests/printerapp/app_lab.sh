# Shared steps for running the printer application in the network lab that
# tests/net/lab.sh builds: the application in this namespace (IPP on
# 127.0.0.1:8631 only), netprinter as the printer in the printer namespace.
# Source it with BIN (build/<preset>/bin), NETPRINTER and OUT set.

app_lab_init() {
  rm -rf "$OUT"
  mkdir -p "$OUT/jobs"
  # State, spool files and Unix sockets (the application's control socket sits
  # beside its state; the browser's lives in TMPDIR) go to a short private
  # folder: a socket's path has at most 107 bytes, and OUT lies as deep as the
  # checkout does. A longer path is cut short, and the suites running side by
  # side would then all reach one server. The state file is kept in OUT when
  # the lab stops. No DNS-SD daemon is reachable, so nothing is announced
  # beyond the lab.
  LAB_DIR=$(mktemp -d /tmp/brindol-lab.XXXXXX) || return 1
  export SNAP_COMMON=$LAB_DIR TMPDIR=$LAB_DIR HOME=$OUT
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent
  # The command line and PAPPL keep some of libcups' allocations to the end.
  export LSAN_OPTIONS=suppressions=$(dirname "${BASH_SOURCE[0]}")/lsan.supp:print_suppressions=0
  APP=$BIN/brindol-printer-app
  URI_BASE=ipp://127.0.0.1:8631/ipp/print
  PIDS=() JOB_ID= JOB_STATE=
  trap app_lab_stop EXIT
}

# poll TRIES SECONDS COMMAND...: until COMMAND succeeds, at most TRIES times.
poll() {
  local i
  for ((i = 0; i < $1; i++)); do "${@:3}" && return 0; sleep "$2"; done
  return 1
}
gone() { ! kill -0 "$1" 2>/dev/null; }

app_lab_stop() {
  "$APP" shutdown >/dev/null 2>&1 || true
  local pid
  for pid in "${PIDS[@]}"; do
    poll 50 0.1 gone "$pid" || kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
  done
  PIDS=()
  if [[ -d ${LAB_DIR:-} ]]; then
    cp "$LAB_DIR"/*.state "$OUT/" 2>/dev/null
    rm -rf "$LAB_DIR"
  fi
}

# start_printer ADDRESS [netprinter options...]: in the printer namespace.
start_printer() {
  local address=$1
  shift
  nsenter -t "$BRINDOL_LAB_PRINTER_PID" -n "$NETPRINTER" --address "$address" --jobs "$OUT/jobs" \
    "$@" >>"$OUT/netprinter.log" 2>&1 &
  PIDS+=($!)
}

# start_app [server options...]: on 127.0.0.1:8631, or on every address of
# the lab with LISTEN= (empty).
start_app() {
  local listen=${LISTEN-127.0.0.1}
  "$APP" server -o server-port=8631 ${listen:+-o "listen-hostname=$listen"} -o log-level=debug \
    -o log-file="$OUT/app.log" "$@" >>"$OUT/server.out" 2>&1 &
  PIDS=($! "${PIDS[@]}")
  poll 100 0.1 "$APP" status >/dev/null 2>&1 && return 0
  echo "the printer application did not start; see $OUT/app.log" >&2
  return 1
}

# add_printer NAME DRIVER DEVICE-URI
add_printer() {
  "$APP" add -d "$1" -m "$2" -v "$3" >>"$OUT/cli.out" 2>&1 || {
    echo "cannot add printer $1 ($2, $3):" >&2
    tail -n 3 "$OUT/cli.out" >&2
    return 1
  }
}

# JOBS: the folder of the netprinter whose jobs are counted ($OUT/jobs).
job_count() { find "${JOBS:-$OUT/jobs}" -maxdepth 1 -name 'job-*.bin' | wc -l; }

# wait_jobs N: until netprinter has stored N jobs (it stores one when the
# connection closes).
has_jobs() { (($(job_count) >= $1)); }
wait_jobs() { poll 300 0.1 has_jobs "$1"; }

last_job() { find "${JOBS:-$OUT/jobs}" -maxdepth 1 -name 'job-*.bin' | sort | tail -n 1; }

# ipp_print PRINTER FILE FORMAT [name=value...]: Print-Job (test=print-standard:
# with only the standard attributes quality, content, finishings) with the receipt
# settings (defaults below unless given); unless NOWAIT is set, waits up to two
# minutes for the job's end. ipptool's reports in $OUT/ipptool.out, the job's
# id in JOB_ID, its final "state|message|reasons|" in JOB_STATE.
ipp_print() {
  local printer=$1 file=$2 format=$3
  shift 3
  local -A v=([halftone]=none [upside]=false [offset]=0 [saving]=off [orientation]=portrait
              [cut]=none [drawer]=none [length]=content [scaling]=auto [test]=print-job)
  local kv
  for kv in "$@"; do v[${kv%%=*}]=${kv#*=}; done
  local args=()
  for kv in "${!v[@]}"; do args+=(-d "$kv=${v[$kv]}"); done
  ipptool -T "${IPP_TIMEOUT:-60}" -t -f "$file" -d "format=$format" "${args[@]}" "$URI_BASE/$printer" \
    "$(dirname "${BASH_SOURCE[0]}")/${v[test]}.test" >"$OUT/ipptool.out" 2>&1
  local rc=$?
  JOB_ID=$(sed -nE 's/^ *job-id \(integer\) = ([0-9]+).*/\1/p' "$OUT/ipptool.out" | head -n 1)
  if [[ -z ${NOWAIT:-} && -n $JOB_ID ]]; then
    wait_job_end "$printer" "$JOB_ID" 120 || rc=1
    get_job "$printer" "$JOB_ID" >>"$OUT/ipptool.out"
  fi
  return $rc
}

# get_job PRINTER JOB-ID: ipptool's report of the job's state, reasons and message.
get_job() {
  ipptool -T 10 -t -d "jobid=$2" "$URI_BASE/$1" "$(dirname "${BASH_SOURCE[0]}")/get-job.test" 2>&1
}

# job_state PRINTER JOB-ID: "state|message|reasons|" of the job, one line.
job_state() {
  get_job "$1" "$2" | sed -nE 's/^ *job-state(-reasons|-message)? \([^)]*\) = //p' | tr '\n' '|'
}

# wait_job_end PRINTER JOB-ID SECONDS: until the job is no longer pending or
# processing; its last state in JOB_STATE.
job_ended() {
  JOB_STATE=$(job_state "$1" "$2")
  ! [[ $JOB_STATE =~ ^(pending|processing) ]]
}
wait_job_end() { poll $(($3 * 5)) 0.2 job_ended "$1" "$2"; }
