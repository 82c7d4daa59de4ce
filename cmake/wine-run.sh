#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix inside the build tree, no
# debug chatter and no network (its own empty network namespace). A 32-bit
# program runs on 32-bit Wine in a 32-bit prefix of its own build tree: a
# 64-bit prefix would show it a 64-bit Windows, where the setup program
# installs the 64-bit driver.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -uo pipefail
prog=$1; shift
source "$(dirname "${BASH_SOURCE[0]}")/wine-common.sh"

if [[ -z "${WINEPREFIX:-}" ]]; then
  # The build tree is the closest ancestor of the program holding CMakeCache.txt.
  dir=$(cd "$(dirname "$prog")" && pwd)
  while [[ "$dir" != / && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
  [[ -f "$dir/CMakeCache.txt" ]] || { echo "wine-run.sh: no build tree above $prog" >&2; exit 2; }
  export WINEPREFIX="$dir/wineprefix"
fi
wine_select "$prog" || exit 2
launch=()
[[ "${BRINDOL_WINE_NO_UNSHARE:-}" == 1 ]] || launch=(unshare -n)
wine_prepare_prefix "${launch[@]}"
# The program's output goes to a file, shown when the program ends. Written to
# our own standard output, it would be inherited by any Wine system process the
# program starts, which can outlive it under a persistent server and would keep
# the caller (CTest) waiting for the pipe to close.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
"${launch[@]}" "$WINE_LOADER" "$prog" "$@" </dev/null >"$output" 2>&1 || status=$?
cat "$output"
exit "$status"
