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

# Best of three, wall clock. The full command reads and writes PNG files;
# the second figure leaves out the writing and the reading, for a view of the
# quantization alone.
python3 - "$work" "$convert" <<'PY'
import json, subprocess, sys, time
work, convert = sys.argv[1], sys.argv[2]
def best(args):
    times = []
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run([convert, f"{work}/in.png"] + args, check=True)
        times.append((time.perf_counter() - start) * 1000.0)
    return min(times)
full = best(["-dither", "FloydSteinberg", "-colors", "256", f"{work}/out.png"])
reduce_only = best(["-dither", "FloydSteinberg", "-colors", "256", "null:"]) - best(["null:"])
ours = next(b for b in json.load(open(f"{work}/ours.json"))["benchmarks"]
            if b.get("aggregate_name") == "median"
            and b["run_name"].endswith("adaptive256_floydSteinberg"))["real_time"]
print(f"ImageMagick convert -dither FloydSteinberg -colors 256: {full:7.1f} ms")
print(f"ours (adaptive 256 + Floyd-Steinberg):                 {ours:7.1f} ms")
print(f"throughput ratio: {full / ours:.2f}x (target: at least 3x)")
print(f"ImageMagick's quantization alone (no PNG read/write):   {reduce_only:7.1f} ms,"
      f" ratio {reduce_only / ours:.2f}x")
PY
