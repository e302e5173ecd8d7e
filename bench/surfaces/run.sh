#!/bin/sh
# Quantization against ImageMagick's quantization alone, on the same image at
# 1920 x 1080 and 3840 x 2160. ImageMagick reads its own pixel cache (MPC),
# and its time is that of `convert in.mpc OPERATION null:` less that of
# `convert in.mpc null:`, each the best of three wall times; ours is the
# median of three benchmark runs, in wall time, the same image in memory.
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
for size in 1920x1080 3840x2160; do
    "$build/bench/surfaces/bench_surfaces_image" "$work/$size.png" ${size%x*} ${size#*x}
    "$convert" "$work/$size.png" "$work/$size.mpc"
done

"$build/bench/surfaces/bench_surfaces" --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$work/ours.json"

python3 - "$work" "$convert" <<'PY'
import json, subprocess, sys, time
work, convert = sys.argv[1], sys.argv[2]
ours = {}
for b in json.load(open(f"{work}/ours.json"))["benchmarks"]:
    if b.get("aggregate_name") == "median":
        print(f'{b["run_name"]:66s} {b["real_time"]:9.1f} ms  {b["MP/s"]:7.2f} MP/s')
        ours[b["run_name"]] = b["real_time"]

def best(size, operation):
    times = []
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run([convert, f"{work}/{size}.mpc"] + operation + ["null:"], check=True)
        times.append((time.perf_counter() - start) * 1000.0)
    return min(times)

# Our case, ImageMagick's nearest operation. ImageMagick has no ordered
# dithering onto a palette; its 8 x 8 ordered dither to 6 levels a channel
# (216 colours) stands in for our fixed palette with the 8 x 8 matrix.
cases = [
    ("adaptive256_floydSteinberg", ["-dither", "FloydSteinberg", "-colors", "256"]),
    ("adaptive16_floydSteinberg", ["-dither", "FloydSteinberg", "-colors", "16"]),
    ("adaptive256_none", ["+dither", "-colors", "256"]),
    ("fixed20_bayer8x8", ["-ordered-dither", "o8x8,6"]),
]
print()
print(f'{"case":28s} {"size":>10s} {"ImageMagick":>12s} {"ours":>10s} {"ratio":>7s}  goal')
for name, operation in cases:
    per_pixel = []
    for size in ("1920x1080", "3840x2160"):
        width, height = map(int, size.split("x"))
        theirs = best(size, operation) - best(size, [])
        mine = ours[f"quantizeImage/{name}/{width}/{height}/real_time"]
        per_pixel.append(mine / (width * height))
        print(f"{name:28s} {size:>10s} {theirs:9.1f} ms {mine:7.1f} ms {theirs / mine:6.2f}x  >= 3x")
    print(f'{name:28s} {"4K/1080p":>10s} cost per pixel {per_pixel[1] / per_pixel[0]:.2f}x'
          "  (goal <= 1.2x)")
PY
