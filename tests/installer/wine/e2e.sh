#!/usr/bin/env bash
# End-to-end run of Installer.exe under Wine: the real dialog from the real
# resources, driven by window messages (tests/installer/wine/e2e_driver.cpp).
# Everything runs in a network namespace of its own (the program broadcasts
# for network printers as soon as its dialog opens), with a Wine prefix and an
# X server (Xvfb) of its own under WORK. Screenshots go to WORK/*.png.
# STANDIN_DIR holds the test tree's stand-ins for the platform's libraries
# (UNIDRV.DLL, UNIDRVUI.DLL, UNIRES.DLL); a second setup directory made with
# placeholders must be refused without touching the driver directory.
# Usage: e2e.sh WORK INSTALLER.exe E2E_DRIVER.exe BUILD_DIR STANDIN_DIR
set -uo pipefail
if [[ $# -ne 5 ]]; then
  echo "usage: $0 WORK INSTALLER.exe E2E_DRIVER.exe BUILD_DIR STANDIN_DIR" >&2
  exit 2
fi
if [[ "${BRINDOL_E2E_IN_NAMESPACE:-}" != 1 ]]; then
  export BRINDOL_E2E_IN_NAMESPACE=1
  exec unshare -n bash "$0" "$@"
fi
mkdir -p "$1"
work=$(cd "$1" && pwd)
installer=$2
driver=$3
build=$(cd "$4" && pwd)
standins=$(cd "$5" && pwd)
address=192.0.2.10  # documentation range; nothing leaves the namespace anyway
failures=0

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# The architecture follows the setup program's: a 32-bit Installer.exe runs on
# 32-bit Wine in a 32-bit prefix, where the system it sees is 32-bit Windows and
# it installs the i386 package into the x86 driver directory.
source "$(dirname "$0")/../../../cmake/wine-common.sh"
if [[ $(pe_machine "$installer") == 014c ]]; then
  arch=i386 installer_arch=x86 build_option=--win32-build driver_folder=w32x86
else
  arch=amd64 installer_arch=x64 build_option=--win64-build driver_folder=x64
fi
wine_select "$installer" || exit 1
wine=$WINE_LOADER

# The platform's files as the package script takes them: the stand-in
# libraries of the test tree (built for this architecture), and small text
# files for the other three.
platform=$work/platform
rm -rf "$platform"
mkdir -p "$platform/$arch"
for f in UNIDRV.DLL UNIDRVUI.DLL UNIRES.DLL; do
  cp "$standins/$f" "$platform/$arch/$f" || { echo "stand-in $f missing in $standins"; exit 1; }
done
for f in STDNAMES.GPD TTFSUB.GPD UNIDRV.HLP; do
  printf '*%% Stand-in for the platform'"'"'s %s, for tests only.\r\n' "$f" >"$platform/$f"
done

# Two setup directories, as scripts/package assembles them from this build
# tree: one with the stand-ins, one with placeholders for the platform's files.
setup=$work/setup
placeholder_setup=$work/setup-placeholders
root=$(cd "$(dirname "$0")/../../.." && pwd)
package() {  # package OUT LOG OPTIONS...
  local out=$1 log=$2
  shift 2
  if ! "$root/scripts/package" --no-build --arches "$arch" --installer-arch "$installer_arch" \
      "$build_option" "$build" --out "$out" "$@" >"$log" 2>&1; then
    cat "$log"
    echo "scripts/package could not assemble $out"
    exit 1
  fi
}
package "$setup" "$work/package.log" --platform-files "$platform"
package "$placeholder_setup" "$work/package-placeholders.log" --placeholders
[[ -f $placeholder_setup/PLACEHOLDERS.txt ]] || fail "no PLACEHOLDERS.txt in the placeholder setup directory"

export WINEPREFIX=$work/wineprefix

Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k >/dev/null 2>&1
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
}
trap cleanup EXIT
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")

[[ -f $WINEPREFIX/system.reg ]] || echo "creating the Wine prefix in $WINEPREFIX"
wine_prepare_prefix

run() {  # run LOCALE LOG ARGS...: the driver under Wine, its output kept in LOG
  local locale=$1 log=$2
  shift 2
  env LANG="$locale" LC_ALL="$locale" "$wine" "$driver" "$@" 2>&1 | tr -d '\r' >"$log"
  local rc=${PIPESTATUS[0]}
  cat "$log"
  return "$rc"
}
expect() {  # expect LOG LINE: LOG holds exactly this line
  grep -qFx -- "$2" "$1" || fail "expected \"$2\" in $(basename "$1")"
}

run C "$work/clean.log" clean || fail "clean"

# Screenshots of the dialog in English and in Chinese Simplified.
run en_US.UTF-8 "$work/shot-en.log" shot "$setup/Installer.exe" "$work/dialog-en.png" ||
  fail "screenshot (English)"
run zh_CN.UTF-8 "$work/shot-zh_CN.log" shot "$setup/Installer.exe" "$work/dialog-zh_CN.png" ||
  fail "screenshot (Chinese Simplified)"
for png in dialog-en.png dialog-zh_CN.png; do [[ -s $work/$png ]] || fail "$png not written"; done

# Two installations on the same address: the second queue gets a unique name.
run en_US.UTF-8 "$work/install-1.log" install "$setup/Installer.exe" "$address" || fail "first installation"
grep -q "^BOX: Succeed !" "$work/install-1.log" || fail "first installation did not succeed"
expect "$work/install-1.log" "EXIT: 0"
run en_US.UTF-8 "$work/install-2.log" install "$setup/Installer.exe" "$address" || fail "second installation"
grep -q "^BOX: Succeed !" "$work/install-2.log" || fail "second installation did not succeed"
run C "$work/list.log" list || fail "list"
run C "$work/probe.log" probe || fail "probe"
expect "$work/list.log" "DRIVER: BRINDOL-80"
expect "$work/list.log" "PRINTER: BRINDOL-80|${address}_9100|BRINDOL-80"
expect "$work/list.log" "PRINTER: BRINDOL-80(Copy 1)|${address}_9100|BRINDOL-80"

# The spooler's driver directory holds the package's own binaries, byte for byte.
drivers=$WINEPREFIX/drive_c/windows/system32/spool/drivers/$driver_folder/3
for f in BRINDOL80.DLL BRINDOL80RES.DLL; do
  installed=$(find "$drivers" -maxdepth 1 -iname "$f" | head -n 1)
  if [[ -z $installed ]]; then
    fail "$f not in the spooler's driver directory"
  elif ! cmp -s "$installed" "$setup/$arch/$f"; then
    fail "$f in the driver directory differs from the setup directory's"
  fi
done

# A setup directory with placeholders is refused before anything is copied:
# the failure box gives ERROR_BAD_EXE_FORMAT (193), and the spooler's driver
# directories, drivers and queues are exactly as before.
spool=$WINEPREFIX/drive_c/windows/system32/spool/drivers
snapshot() { (cd "$spool" && find . -type f -print0 | sort -z | xargs -0 -r sha256sum); }
snapshot >"$work/drivers-before.txt"
run en_US.UTF-8 "$work/install-placeholders.log" install "$placeholder_setup/Installer.exe" "$address" ||
  fail "installation from the placeholder setup directory"
expect "$work/install-placeholders.log" "BOX: Printer driver install failed, error code:0xc1"
snapshot >"$work/drivers-after.txt"
cmp -s "$work/drivers-before.txt" "$work/drivers-after.txt" ||
  fail "the placeholder installation changed the driver directory (see $work/drivers-*.txt)"
[[ -s $work/drivers-before.txt ]] || fail "the driver directory was empty: nothing to compare"
run C "$work/list-after.log" list || fail "list after the refused installation"
cmp -s "$work/list.log" "$work/list-after.log" || fail "the refused installation changed drivers or queues"

if ((failures)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "end-to-end run passed; screenshots: $work/dialog-en.png $work/dialog-zh_CN.png"
