#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix inside the build tree, no
# debug chatter and no network (its own empty network namespace).
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -uo pipefail
prog=$1; shift
if [[ -z "${WINEPREFIX:-}" ]]; then
  # The build tree is the closest ancestor of the program holding CMakeCache.txt.
  dir=$(cd "$(dirname "$prog")" && pwd)
  while [[ "$dir" != / && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
  [[ -f "$dir/CMakeCache.txt" ]] || { echo "wine-run.sh: no build tree above $prog" >&2; exit 2; }
  export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine_bin=$(command -v wine64 || command -v wine || true)
[[ -x /usr/lib/wine/wine64 ]] && wine_bin=/usr/lib/wine/wine64
[[ -n "$wine_bin" ]] || { echo "wine-run.sh: wine is not installed" >&2; exit 2; }
launch=("$wine_bin")
[[ "${BRINDOL_WINE_NO_UNSHARE:-}" == 1 ]] || launch=(unshare -n "$wine_bin")
# The program's output goes to a file, shown when the program ends. Written to
# our own standard output, it would be inherited by any Wine system process the
# program starts, which can outlive it under a persistent server and would keep
# the caller (CTest) waiting for the pipe to close.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
"${launch[@]}" "$prog" "$@" </dev/null >"$output" 2>&1 || status=$?
cat "$output"
exit "$status"
