# What every script that runs a Windows program under Wine shares: the
# environment, the Wine loader for a program's architecture, and a prefix that
# lets a crashing program end at once. Source it; it only defines functions
# and exports the environment below. Callers run these functions inside the
# network namespace their programs belong to.

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# pe_machine FILE: the machine field of the PE header (014c x86, 8664 x64).
pe_machine() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [[ -n $header ]] && od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

# wine_select PROGRAM|x86|x64: sets WINE_LOADER to the Wine that runs it. A
# 32-bit program runs on 32-bit Wine in a 32-bit prefix (WINEARCH, read only
# when a prefix is created): a 64-bit prefix would show it a 64-bit Windows.
# Fails with a message when that Wine is not installed.
wine_select() {
  local arch=$1
  [[ $arch == x86 || $arch == x64 ]] || { [[ $(pe_machine "$1") == 014c ]] && arch=x86 || arch=x64; }
  if [[ $arch == x86 ]]; then
    WINE_LOADER=/usr/lib/wine/wine
    export WINEARCH=win32
  else
    WINE_LOADER=$(command -v wine64 || command -v wine || true)
    [[ -x /usr/lib/wine/wine64 ]] && WINE_LOADER=/usr/lib/wine/wine64
    unset WINEARCH
  fi
  [[ -n $WINE_LOADER && -x $WINE_LOADER ]] && return 0
  echo "no Wine for $arch programs (${WINE_LOADER:-wine})" >&2
  return 1
}

# wine_prepare_prefix [LAUNCHER...]: creates $WINEPREFIX for $WINE_LOADER when
# it does not exist yet, with Wine's own processes' output thrown away (a
# test's pipes must never be held open by them). Every prefix gets the same
# setting: at a crash, Wine's debugger writes the backtrace to the program's
# error output and ends the program, with no crash dialog waiting for a click.
# LAUNCHER (say "unshare -n") comes before each Wine command.
# Test programs that start together prepare the prefix once, one after the other.
wine_prepare_prefix() {
  local marker=$WINEPREFIX/.crash-dialog-off
  [[ -f $marker ]] && return 0
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    [[ -f $marker ]] && exit 0
    [[ -f $WINEPREFIX/system.reg ]] || "$@" "$WINE_LOADER" wineboot -i </dev/null >/dev/null 2>&1
    "$@" "$WINE_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >/dev/null 2>&1 && touch "$marker"
  ) 9>"$WINEPREFIX/.prepare.lock"
}
