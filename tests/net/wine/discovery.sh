#!/usr/bin/env bash
# Installer.exe under Wine finds a simulated printer: run inside the network
# lab (lab.sh), with a Wine prefix and an X server (Xvfb) of its own under
# WORK. The printer answers on the lab's first link and announces 192.168.1.100;
# the driver chooses NET and waits for that line in the port list.
# Usage: lab.sh discovery.sh WORK INSTALLER.exe DRIVER.exe NETPRINTER
set -uo pipefail
if [[ $# -ne 4 || "${BRINDOL_LAB:-}" != 1 ]]; then
  echo "usage: lab.sh $0 WORK INSTALLER.exe DRIVER.exe NETPRINTER" >&2
  exit 2
fi
mkdir -p "$1"
work=$(cd "$1" && pwd)
installer=$2 driver=$3 netprinter=$4
announced=192.168.1.100
read -r -a printer_side <<<"$BRINDOL_LAB_PRINTER_ADDRESSES"

# A prefix of this test's own, of the setup program's architecture: a Wine
# server shared with a test in another network namespace would open this
# program's sockets over there.
export WINEPREFIX=$work/wineprefix
source "$(dirname "$0")/../../../cmake/wine-common.sh"
wine_select "$installer" || exit 1
wine=$WINE_LOADER

pids=()
cleanup() {
  wineserver -k >/dev/null 2>&1
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT

Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp 5>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")

[[ -f $WINEPREFIX/system.reg ]] || echo "creating the Wine prefix in $WINEPREFIX"
wine_prepare_prefix

nsenter -t "$BRINDOL_LAB_PRINTER_PID" -n "$netprinter" --address "${printer_side[0]}" --announce "$announced" \
  --jobs "$work" >"$work/netprinter.log" 2>&1 &
pids+=($!)

"$wine" "$driver" "$installer" "$announced" 60 2>&1 | tr -d '\r' | tee "$work/driver.log"
rc=${PIPESTATUS[0]}
echo "--- netprinter"
cat "$work/netprinter.log"
if ((rc != 0)) || ! grep -qFx "FOUND: $announced" "$work/driver.log"; then
  echo "FAILED: Installer.exe did not list $announced"
  exit 1
fi
echo "Installer.exe listed $announced"
