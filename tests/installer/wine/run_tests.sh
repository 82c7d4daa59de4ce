#!/usr/bin/env bash
# Runs a Windows test program of the setup program under Wine, from C:\setup\
# of a prefix that belongs to these tests alone, in a network namespace of its
# own. The prefix uses Wine's display-less graphics driver, so dialogs and
# controls exist without an X server. Writes the program's test list to
# CASES (one "Suite.Case" per line) before running it.
# Usage: run_tests.sh PREFIX PROGRAM.exe CASES [PROGRAM ARGS...]
set -uo pipefail
if [[ $# -lt 3 ]]; then
  echo "usage: $0 PREFIX PROGRAM.exe CASES [ARGS...]" >&2
  exit 2
fi
if [[ "${BRINDOL_TESTS_IN_NAMESPACE:-}" != 1 ]]; then
  export BRINDOL_TESTS_IN_NAMESPACE=1
  exec unshare -n bash "$0" "$@"
fi
mkdir -p "$1"
export WINEPREFIX=$(cd "$1" && pwd)
source "$(dirname "$0")/../../../cmake/wine-common.sh"
program=$2
cases=$3
shift 3
wine_select "$program" || exit 2
wine=$WINE_LOADER

# The prefix uses the display-less graphics driver; Wine's own processes
# (services, devices) start with their output thrown away.
if [[ ! -f $WINEPREFIX/.crash-dialog-off ]]; then
  wine_prepare_prefix
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
fi
"$wine" wineboot >/dev/null 2>&1

setup=$WINEPREFIX/drive_c/setup
mkdir -p "$setup"
name=$(basename "$program")
cp "$program" "$setup/$name"
"$wine" "$setup/$name" --gtest_list_tests </dev/null 2>/dev/null | tr -d '\r' |
  awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }' >"$cases"
"$wine" "$setup/$name" "$@" </dev/null
rc=$?
wineserver -k >/dev/null 2>&1
exit $rc
