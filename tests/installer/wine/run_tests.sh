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
export WINEPREFIX=$(cd "$1" && pwd) WINEDEBUG=-all
# No debugger at a crash: the program ends and the test fails instead of hanging.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
program=$2
cases=$3
shift 3
wine=$(command -v wine64 || command -v wine || true)
[[ -x /usr/lib/wine/wine64 ]] && wine=/usr/lib/wine/wine64
[[ -n "$wine" ]] || { echo "run_tests.sh: wine is not installed" >&2; exit 2; }

# Wine's own processes (services, devices) start here with their output
# thrown away: a test's pipes must never be held open by them.
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  wineboot -i >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
fi
wineboot >/dev/null 2>&1

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
