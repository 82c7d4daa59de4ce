#!/usr/bin/env bash
# Runs a Windows program under Wine with a prefix inside the build tree, no
# debug chatter and no network (its own empty network namespace). A 32-bit
# program runs on 32-bit Wine in a 32-bit prefix of its own build tree: a
# 64-bit prefix would show it a 64-bit Windows, where the setup program
# installs the 64-bit driver.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
set -uo pipefail
prog=$1; shift

# The machine field of the PE header: 014c for x86, 8664 for x64.
pe_machine() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [[ -n $header ]] && od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

if [[ -z "${WINEPREFIX:-}" ]]; then
  # The build tree is the closest ancestor of the program holding CMakeCache.txt.
  dir=$(cd "$(dirname "$prog")" && pwd)
  while [[ "$dir" != / && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
  [[ -f "$dir/CMakeCache.txt" ]] || { echo "wine-run.sh: no build tree above $prog" >&2; exit 2; }
  export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [[ $(pe_machine "$prog") == 014c ]]; then
  wine_bin=/usr/lib/wine/wine
  [[ -x $wine_bin ]] || { echo "wine-run.sh: 32-bit Wine ($wine_bin) is not installed" >&2; exit 2; }
  # Only read when the prefix is created.
  export WINEARCH=win32
else
  wine_bin=$(command -v wine64 || command -v wine || true)
  [[ -x /usr/lib/wine/wine64 ]] && wine_bin=/usr/lib/wine/wine64
  [[ -n "$wine_bin" ]] || { echo "wine-run.sh: wine is not installed" >&2; exit 2; }
fi
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
