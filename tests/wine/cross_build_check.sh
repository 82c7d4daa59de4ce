#!/usr/bin/env bash
# Runs the compact sample page through the native bandhost and through
# bandhost.exe under Wine (by the given runner) for every combination of
# offset, upside-down printing, paper saving and orientation, with one
# halftone setting ("none" hands no halftone name), and compares the streams.
# Usage: cross_build_check.sh NATIVE_BIN WINE_RUN BANDHOST_EXE WORK_DIR HALFTONE
set -uo pipefail
native_bin=$1 wine_run=$2 bandhost_exe=$3 work=$4 halftone=$5

for tool in bandhost receipt_sample; do
  [[ -x $native_bin/$tool ]] || { echo "no native $tool in $native_bin: build the native tree first" >&2; exit 2; }
done
mkdir -p "$work"
page=$work/page.pgm
"$native_bin/receipt_sample" --compact "$page" || exit 2

if [[ $halftone == none ]]; then halftone_args=(--no-halftone); else halftone_args=(--halftone "$halftone"); fi
runs=0 differing=0
for offset in - P10 M10; do
  for translate in - TRANS_180; do
    for save in - SavePaper_Top SavePaper_Bottom SavePaper_TopAndBottom; do
      for landscape in no yes; do
        args=("${halftone_args[@]}")
        [[ $offset != - ]] && args+=(--offset "$offset")
        [[ $translate != - ]] && args+=(--translate "$translate")
        [[ $save != - ]] && args+=(--save-paper "$save")
        [[ $landscape == yes ]] && args+=(--landscape)
        runs=$((runs + 1))
        rm -f "$work/native.bin" "$work/windows.bin"
        # Both builds at once: the native run overlaps Wine's start-up.
        "$native_bin/bandhost" "${args[@]}" "$page" -o "$work/native.bin" &
        native=$!
        "$wine_run" "$bandhost_exe" "${args[@]}" "$page" -o "$work/windows.bin"
        windows_status=$?
        # Wine itself now and then loses a program among hundreds of parallel
        # start-ups; a failure that is bandhost's own repeats, so one more try.
        if ((windows_status != 0)); then
          echo "bandhost.exe exited with $windows_status (${args[*]}); running it once more"
          rm -f "$work/windows.bin"
          "$wine_run" "$bandhost_exe" "${args[@]}" "$page" -o "$work/windows.bin"
          windows_status=$?
        fi
        if ! wait "$native"; then
          echo "native bandhost failed: ${args[*]}"; differing=$((differing + 1)); continue
        fi
        if ((windows_status != 0)); then
          echo "bandhost.exe failed: ${args[*]}"; differing=$((differing + 1)); continue
        fi
        if ! cmp -s "$work/native.bin" "$work/windows.bin"; then
          echo "streams differ (${args[*]}): $(cmp "$work/native.bin" "$work/windows.bin" 2>&1 | head -n 1)"
          differing=$((differing + 1))
        fi
      done
    done
  done
done
echo "$halftone: $runs combinations, $differing differ"
((differing == 0))
