#!/bin/sh
# Frame writing: a 1920 x 1080 frame made from the example photograph, written
# as PNG and EXR with the default settings and with the old ones, and the
# 8-bit PNG's size against ImageMagick's default PNG of the same frame.
# Usage: bench/images/run.sh [BUILD_DIR] [REPETITIONS]
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
repetitions=${2:-5}
cmake --build "$build" --target bench_images >/dev/null
convert=/usr/bin/convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$convert" "$root/examples/coffee.png" -resize '1920x1080!' -depth 8 "PNG32:$work/frame.png"
"$build/bench/images/bench_images" "$work/frame.png" "$work" "$repetitions" | tee "$work/out.txt"
ours=$(sed -n 's/^written: //p' "$work/out.txt")
"$convert" "$work/frame.png" "$work/magick.png"
python3 - "$ours" "$work/magick.png" <<'PY'
import os, sys
ours, magick = (os.path.getsize(p) for p in sys.argv[1:3])
print(f"8-bit PNG size: ours {ours} bytes, ImageMagick's default {magick} bytes:"
      f" {ours / magick:.3f}x (goal <= 1.15x)")
PY
