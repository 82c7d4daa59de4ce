#!/usr/bin/env bash
# Our band pipeline against common tools on one generated page (576 x 20000
# gray, the bench page), in one run: Floyd-Steinberg through ImageProcessing
# (in process, and bandhost as a whole process), Pillow's Floyd-Steinberg
# (in process), netpbm's `pgmtopbm -fs` and ImageMagick's
# `-dither FloydSteinberg -monochrome` (whole processes, timed with
# hyperfine). Prints Mpixel/s and our speed over each tool's.
#
# Usage: bench/compare.sh [NATIVE_RELEASE_BUILD_DIR]   (default build/native-release)
# Installs python3-pil, netpbm, imagemagick and hyperfine with apt-get when missing.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/native-release}" && pwd)
rows=${COMPARE_ROWS:-20000}
width=576
pixels=$((width * rows))

# Debian's own python3 carries python3-pil; a python3 earlier on PATH may not.
python=/usr/bin/python3
missing=()
"$python" -c 'import PIL' 2>/dev/null || missing+=(python3-pil)
[[ -x /usr/bin/pgmtopbm ]] || missing+=(netpbm)
[[ -x /usr/bin/convert-im6.q16 ]] || missing+=(imagemagick)
command -v hyperfine >/dev/null || missing+=(hyperfine)
if ((${#missing[@]})); then
  echo "installing ${missing[*]}" >&2
  apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null ||
    { apt-get update >/dev/null && apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null; }
fi
# ImageMagick by its own name, so that no other program called convert answers.
magick=/usr/bin/convert-im6.q16

for tool in make_page bandhost; do
  [[ -x $build/bin/$tool ]] || { echo "no $tool in $build/bin: cmake --build $build --target $tool" >&2; exit 2; }
done
[[ -x $build/bench/pipeline_bench ]] || { echo "no $build/bench/pipeline_bench" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
page=$work/page.pgm
"$build/bin/make_page" $width "$rows" "$page"
# Debian's ImageMagick policy refuses pictures over 16,000 rows; a policy of
# our own for this run lets the page through.
printf '<policymap>\n  <policy domain="resource" name="height" value="1MP"/>\n</policymap>\n' \
  >"$work/policy.xml"
export MAGICK_CONFIGURE_PATH=$work

# Mpixel/s of a whole-process command from hyperfine's median.
process_rate() {
  hyperfine --style none --warmup 1 --min-runs "${RUNS:-5}" --export-json "$work/h.json" "$1" >/dev/null
  "$python" -c 'import json,sys; print(round(int(sys.argv[2]) / json.load(open(sys.argv[1]))["results"][0]["median"] / 1e6, 1))' \
    "$work/h.json" "$pixels"
}

# Ours in process: the pipeline benchmark on the same page, 256-row bands.
ours=$("$build/bench/pipeline_bench" --benchmark_filter="^PageLength/576x${rows}/256/HT_FloydSteinberg\$" \
  --benchmark_repetitions=5 --benchmark_format=json 2>/dev/null |
  "$python" -c 'import json,sys; r=[b for b in json.load(sys.stdin)["benchmarks"] if b.get("aggregate_name")=="median"]; print(round(r[0]["items_per_second"]/1e6,1))')

# Pillow in process: convert("1") dithers with Floyd-Steinberg.
pillow=$("$python" - "$page" <<'PY'
import statistics, sys, time
from PIL import Image
image = Image.open(sys.argv[1]); image.load()
times = []
for _ in range(7):
    start = time.perf_counter(); image.convert("1"); times.append(time.perf_counter() - start)
print(round(image.width * image.height / statistics.median(times) / 1e6, 1))
PY
)

ours_process=$(process_rate "$build/bin/bandhost --halftone HT_FloydSteinberg $page -o $work/ours.bin")
# rasterview drawing that stream as PBM: the preview of a page should cost no
# more than producing it.
[[ -x $build/bin/rasterview ]] || { echo "no rasterview in $build/bin" >&2; exit 2; }
view_process=$(process_rate "$build/bin/rasterview $work/ours.bin -o $work/ours.pbm")
netpbm=$(process_rate "/usr/bin/pgmtopbm -fs $page > $work/netpbm.pbm")
magick_rate=$(process_rate "$magick $page -dither FloydSteinberg -monochrome $work/magick.pbm")

ratio() { "$python" -c "import sys; print(f'{float(sys.argv[1]) / float(sys.argv[2]):.1f}x')" "$1" "$2"; }
echo "Floyd-Steinberg, ${width} x ${rows} gray page; load: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-44s %12s  %s\n' "" "Mpixel/s" "ours / it"
printf '%-44s %12s  %s\n' "ours: ImageProcessing in process" "$ours" ""
printf '%-44s %12s  %s\n' "ours: bandhost, whole process" "$ours_process" ""
printf '%-44s %12s  %s\n' "Pillow convert('1'), in process" "$pillow" "$(ratio "$ours" "$pillow")"
printf '%-44s %12s  %s\n' "netpbm pgmtopbm -fs, whole process" "$netpbm" \
  "$(ratio "$ours" "$netpbm") (bandhost: $(ratio "$ours_process" "$netpbm"))"
printf '%-44s %12s  %s\n' "ImageMagick -dither FloydSteinberg, process" "$magick_rate" \
  "$(ratio "$ours" "$magick_rate") (bandhost: $(ratio "$ours_process" "$magick_rate"))"
printf '%-44s %12s  %s\n' "rasterview stream -> PBM, whole process" "$view_process" \
  "(rasterview / bandhost: $(ratio "$view_process" "$ours_process"))"
echo
echo "Whole-process goals: bandhost >= 3.0x netpbm (is $(ratio "$ours_process" "$netpbm")),"
echo "rasterview >= 1.0x bandhost (is $(ratio "$view_process" "$ours_process"))"
