#!/bin/sh
# Times the quantization benchmarks and compares the adaptive 256-colour
# Floyd–Steinberg case with ImageMagick on the same 1920 x 1080 image.
# Usage: bench/surfaces/run.sh [BUILD_DIR]   (default: build)
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target bench_surfaces bench_surfaces_image >/dev/null

if ! dpkg -s imagemagick >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    $sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq imagemagick >/dev/null
fi
# Debian's ImageMagick, not whatever else is called convert on the PATH.
convert=/usr/bin/convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/surfaces/bench_surfaces_image" "$work/in.png"

"$build/bench/surfaces/bench_surfaces" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$work/ours.json"
python3 - "$work/ours.json" <<'PY'
import json, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        print(f'{b["run_name"]:60s} {b["real_time"]:9.1f} ms  {b["MP/s"]:7.2f} MP/s')
PY

# Best of three, wall clock; reading and writing the PNG count against it.
best=""
for run in 1 2 3; do
    start=$(date +%s.%N)
    "$convert" "$work/in.png" -dither FloydSteinberg -colors 256 "$work/out.png"
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" -eq 1 ]; then best=$t; fi
done
python3 - "$work/ours.json" "$best" <<'PY'
import json, sys
ours = next(b for b in json.load(open(sys.argv[1]))["benchmarks"]
            if b.get("aggregate_name") == "median"
            and b["run_name"].endswith("adaptive256_floydSteinberg"))
theirs = float(sys.argv[2]) * 1000.0
print(f'ImageMagick convert -dither FloydSteinberg -colors 256: {theirs:.1f} ms')
print(f'ours (adaptive 256 + Floyd-Steinberg):                 {ours["real_time"]:.1f} ms')
print(f'throughput ratio: {theirs / ours["real_time"]:.2f}x (target: at least 3x)')
PY
