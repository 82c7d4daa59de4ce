#!/usr/bin/env bash
# The setup program's test page as the printer prints it, for scripts/demo:
# builds BRINDOL80.DLL and testpage_preview.exe in build/win64 (or
# $BRINDOL_WIN64_BUILD), runs the
# preview under Wine (cmake/wine-run.sh: the build tree's prefix, no network)
# in English and in Chinese, and draws each stream with rasterview.
# Usage: demo.sh OUT_DIR RASTERVIEW   (writes testpage.png and testpage-zh.png)
set -euo pipefail
if [[ $# -ne 2 ]]; then
  echo "usage: $0 OUT_DIR RASTERVIEW" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
rasterview=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
build=${BRINDOL_WIN64_BUILD:-$root/build/win64}

if [[ ! -f $build/CMakeCache.txt ]]; then
  (cd "$root" && cmake --preset win64) >"$root/build/win64.configure.log" 2>&1 ||
    { tail -n 30 "$root/build/win64.configure.log"; exit 1; }
fi
cmake --build "$build" -j2 --target testpage_preview >"$build/testpage-build.log" 2>&1 ||
  { grep -E 'error|Error' "$build/testpage-build.log" | head -n 30; exit 1; }

# Chinese text needs a font with its characters (fonts-wqy-microhei).
cd "$out"
for run in "C.UTF-8 testpage" "zh_CN.UTF-8 testpage-zh"; do
  read -r locale name <<<"$run"
  # Wine takes the user's language from LC_ALL; its chatter (and the shell's
  # about locales this machine lacks) is shown only when the run fails.
  LANG=$locale LC_ALL=$locale bash "$root/cmake/wine-run.sh" "$build/bin/testpage_preview.exe" -o "$name.bin" \
    2>"$build/testpage-wine.log" || { cat "$build/testpage-wine.log"; exit 1; }
  "$rasterview" "$name.bin" -o "$name.png"
  echo "test page:      out/demo/$name.png (from $name.bin, $(stat -c %s "$name.bin") bytes)"
done
