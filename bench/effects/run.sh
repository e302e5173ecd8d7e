#!/bin/sh
# ReliefmakerFX against a pass-through effect (tests/video/effects/passthrough, one
# copy pass) at 1920 x 1080 on this machine's GL, and its looks against the
# effect as it was at REVISION.
#
# A frame's cost is the "render" phase of `quillshade render --stats` (upload,
# script, GPU, read-back: no file reading or writing), steady state: the time
# of FRAMES frames less that of the first alone, which carries the driver's
# shader compilation, over FRAMES - 1. Frames are written as stored PNG
# (--png-compression 0): the tool writes each frame on a worker thread while
# the next renders, and on two cores a compressing writer takes its time from
# llvmpipe's threads, from a slow effect's frames more than from a fast one's
# (about 30 ms of ReliefmakerFX's against 4 ms of the pass-through's). The
# effect is timed as it is now and as it was at REVISION, each REPETITIONS
# times, alternating with the pass-through. Other work on the machine only
# ever adds time, so each side's best time of the first frame and of all
# frames is taken, and the steady frames compared; a median of differences
# scatters with the pass-through's few milliseconds.
#
# The looks are the README pictures (default, chrome, stone: half size) and
# full-size frames (default, stone with a border, a point light), each compared
# by ImageMagick's PSNR over all four channels (the drop shadow in a border
# lives in alpha) with the same settings rendered by the effect folder at
# REVISION.
# Usage: bench/effects/run.sh [BUILD_DIR] [REPETITIONS] [REVISION]
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
repetitions=${2:-5}
revision=${3:-6d3d907}
frames=11
if ! command -v compare >/dev/null || ! command -v convert >/dev/null; then
    echo "bench/effects/run.sh: needs ImageMagick (apt-get install imagemagick)" >&2
    exit 1
fi
cmake --build "$build" --target quillshade >/dev/null
quillshade=$build/quillshade

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frame=$work/frame.png
convert "$root/examples/coffee.png" -resize '1920x1080!' -depth 8 "PNG32:$frame"
mkdir -p "$work/then"
git -C "$root" archive "$revision" effects/reliefmaker | tar -x -C "$work/then"

# Milliseconds of the render phase for frames 1-$2 of the effect folder $1.
render_ms() {
    "$quillshade" render --effect "$1" --input "$frame" --output "$work/out#.png" \
        --frames "1-$2" --png-compression 0 --stats | awk '$1 == "render" { print $2 }'
}

effects="passthrough reliefmaker then"
for effect in $effects; do : >"$work/$effect.txt"; done
i=0
while [ "$i" -lt "$repetitions" ]; do
    for effect in $effects; do
        case $effect in
            passthrough) dir=$root/tests/video/effects/passthrough ;;
            reliefmaker) dir=$root/effects/reliefmaker ;;
            then) dir=$work/then/effects/reliefmaker ;;
        esac
        echo "$(render_ms "$dir" 1) $(render_ms "$dir" "$frames")" >>"$work/$effect.txt"
    done
    i=$((i + 1))
done
python3 - "$revision" "$frames" "$work/passthrough.txt" "$work/reliefmaker.txt" "$work/then.txt" <<'PY'
import sys
frames = int(sys.argv[2])

def steady(path):
    runs = [tuple(map(float, line.split())) for line in open(path)]
    return (min(r[1] for r in runs) - min(r[0] for r in runs)) / (frames - 1)

base, now, then = (steady(p) for p in sys.argv[3:6])
print(f"1920x1080 frame, best steady-state frames: pass-through {base:.1f} ms,"
      f" ReliefmakerFX {now:.1f} ms: {now / base:.2f}x (goal <= 4x);"
      f" at {sys.argv[1]} {then:.1f} ms: {then / base:.2f}x")
PY

# Looks: name, input, settings.
look() {
    name=$1 input=$2
    shift 2
    "$quillshade" render --effect "$work/then/effects/reliefmaker" --input "$input" \
        --output "$work/$name-then.png" "$@"
    "$quillshade" render --effect "$root/effects/reliefmaker" --input "$input" \
        --output "$work/$name-now.png" "$@"
    psnr=$(compare -channel RGBA -metric PSNR "$work/$name-then.png" "$work/$name-now.png" null: \
        2>&1 || true)
    echo "$name: PSNR $psnr dB against $revision (goal >= 35)"
}
coffee=$root/examples/coffee.png
look default "$coffee" --downsample 1/2
look chrome "$coffee" --downsample 1/2 --set Finish=Chrome --set "Light Colour=#ffb070" \
    --set Softness=8 --set Height=6
look stone "$coffee" --downsample 1/2 --set Finish=Stone --set Border=40
look default-1080 "$frame"
look stone-1080 "$frame" --set Finish=Stone --set Border=80
look point-1080 "$frame" --set "Light Type=Point" --set Softness=12
