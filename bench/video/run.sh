#!/bin/sh
# `quillshade render` of an H.264 clip to ProRes 4444 through a pass-through
# effect (tests/video/effects/passthrough) against ffmpeg transcoding the same
# clip to the same format and pixel format (prores_ks -profile:v 4444
# -pix_fmt yuva444p10le), at 1920 x 1080 (29.97 fps, 300 frames) and
# 3840 x 2160 (29.97 fps, 60 frames by default).
#
# A third command is ffmpeg doing the work the host's interface asks of the
# tool besides the effect: each frame converted to 8-bit ARGB (the picture an
# effect sees at 8 bits per channel) and from it to the output's pixel
# format, with the tool's scaler settings. That comparison is like for like;
# the plain transcode never leaves Y'CbCr, and the round trip changes the
# pictures the encoder is given (it spends more on them).
#
# The three run back to back, alternating, REPETITIONS times each; the
# medians of their wall-clock times give the ratios "speed against ffmpeg"
# (ffmpeg's time over the tool's: 1.00x is as fast). CPU time (user + system)
# is that of the process and its children, the median again. One more run of
# the tool prints its --stats phases. Other work on the machine adds time to
# both sides; the load average is printed with the figures.
# Usage: bench/video/run.sh [BUILD_DIR] [REPETITIONS] [FRAMES_4K]
# SKIP_BUILD=1 leaves the build as it is.
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
repetitions=${2:-5}
frames4k=${3:-60}
if [ "${SKIP_BUILD:-0}" != 1 ]; then
    flock /tmp/quillshade-build.lock \
        cmake --build "$build" --target quillshade quillshade_module >/dev/null
fi
quillshade=$build/quillshade
effect=$root/tests/video/effects/passthrough

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A moving test picture with grain, so that neither codec meets flat areas
# only: SIZE FRAMES NAME.
make_clip() {
    ffmpeg -v error -f lavfi -i "testsrc2=size=$1:rate=30000/1001" \
        -vf "noise=alls=12:allf=t" -frames:v "$2" -c:v libx264 -preset medium -crf 18 \
        -pix_fmt yuv420p "$work/$3.mp4"
}
make_clip 1920x1080 300 clip1080
make_clip 3840x2160 "$frames4k" clip4k

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
for clip in clip1080 clip4k; do
    python3 - "$work" "$clip" "$repetitions" "$quillshade" "$effect" <<'PY'
import os, resource, statistics, subprocess, sys, time
work, clip, repetitions, quillshade, effect = sys.argv[1:6]
source = f"{work}/{clip}.mp4"
encode = ["-c:v", "prores_ks", "-profile:v", "4444", "-pix_fmt", "yuva444p10le"]
scale = "scale=flags=bicubic+accurate_rnd+full_chroma_int"
commands = {
    "ffmpeg": ["ffmpeg", "-v", "error", "-y", "-i", source] + encode + [f"{work}/ffmpeg.mov"],
    "ffmpeg-argb": ["ffmpeg", "-v", "error", "-y", "-i", source, "-vf",
                    f"{scale},format=argb,{scale},format=yuva444p10le"] + encode +
                   [f"{work}/ffmpeg-argb.mov"],
    "quillshade": [quillshade, "render", "--effect", effect, "--input", source,
                   "--output", f"{work}/quillshade.mov", "--quiet"],
}

def timed(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    subprocess.run(command, check=True)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu

runs = {name: [] for name in commands}
for _ in range(int(repetitions)):
    for name, command in commands.items():
        if name == "quillshade" and os.path.exists(f"{work}/quillshade.mov"):
            os.remove(f"{work}/quillshade.mov")
        runs[name].append(timed(command))
frames = subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-select_streams", "v:0",
                         "-show_entries", "stream=width,height,nb_read_packets", "-of", "csv=p=0",
                         f"{work}/quillshade.mov"], capture_output=True, text=True).stdout.strip()
median = {name: (statistics.median(w for w, _ in r), statistics.median(c for _, c in r))
          for name, r in runs.items()}
(fw, fc), (aw, ac), (qw, qc) = median["ffmpeg"], median["ffmpeg-argb"], median["quillshade"]
print(f"{clip} ({frames}), median of {repetitions}:"
      f" ffmpeg {fw:.2f} s (CPU {fc:.2f} s), through ARGB {aw:.2f} s (CPU {ac:.2f} s),"
      f" quillshade {qw:.2f} s (CPU {qc:.2f} s)")
print(f"  speed {fw / qw:.2f}x ffmpeg's (goal >= 0.90x), CPU {qc / fc:.2f}x ffmpeg's;"
      f" ffmpeg through ARGB {fw / aw:.2f}x; quillshade {aw / qw:.2f}x ffmpeg through ARGB")
print("  all runs, wall s: " + "; ".join(
    name + " " + " ".join(f"{w:.2f}" for w, _ in r) for name, r in runs.items()))
PY
    rm -f "$work/quillshade.mov"
    "$quillshade" render --effect "$effect" --input "$work/$clip.mp4" \
        --output "$work/quillshade.mov" --quiet --stats | sed 's/^/  /'
    rm -f "$work/quillshade.mov"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
