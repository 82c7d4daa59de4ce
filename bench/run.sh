#!/usr/bin/env bash
# Runs both benchmarks (medians of 5 repetitions) and prints the performance
# table: ImageProcessing on 576-dot pages in 256-row bands per halftone
# option, the fast image operations against their reference versions, the
# page-length check and the heap. Full results stay in the JSON files.
#
# Usage: bench/run.sh [NATIVE_RELEASE_BUILD_DIR] [OUT_DIR]
#   (defaults build/native-release and that build's bench/results)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build/native-release}" && pwd)
out=${2:-$build/bench/results}
mkdir -p "$out"
reps=${REPETITIONS:-5}

"$build/bench/image_ops_bench" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$out/image_ops.json" --benchmark_out_format=json >/dev/null
"$build/bench/pipeline_bench" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
  --benchmark_filter="${PIPELINE_FILTER:-.}" \
  --benchmark_format=json --benchmark_out="$out/pipeline.json" --benchmark_out_format=json >/dev/null
/usr/bin/env python3 "$here/summary.py" "$out/image_ops.json" "$out/pipeline.json"
