// Frame times against the sound: a variable frame rate source is rendered at
// its average rate, each frame showing the source frame of its time, with the
// audio as long as the frames; renders of consecutive frame ranges, joined
// with FFmpeg's concat demuxer as the README says, give what one render gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "VideoTestSupport.h"
#include "package/TempFolder.h"

namespace {

using namespace videotest;

constexpr int kFramePixels = 64 * 36;

double seconds(const std::string& path, const std::string& stream) {
    return std::stod("0" + probe(path, stream, "duration"));
}

// The video packets' timestamps in presentation order, one a line.
std::string frameTimes(const std::string& path) {
    std::istringstream lines(
        run("ffprobe -v error -select_streams v:0 -show_entries packet=pts "
            "-of csv=p=0 '" +
            path + "'"));
    std::vector<long> times;
    for (std::string line; std::getline(lines, line);) times.push_back(std::stol(line));
    std::sort(times.begin(), times.end());
    std::string text;
    for (long time : times) text += std::to_string(time) + "\n";
    return text;
}

std::string samples(const std::string& path) {
    return run("ffmpeg -v error -i '" + path + "' -map 0:a:0 -f s16le -");
}

// Frame k of `out`, at `fps`, shows the last frame of the test's variable
// rate source at or before its time (to the nearest frame); there are at
// least `least` frames.
void expectFramesShowTheirTimes(const std::string& out, double fps, long least) {
    // The luma plane as stored, before any range conversion.
    const std::string planes = pixels(out, "yuv444p");
    const long frames = static_cast<long>(planes.size() / (3 * kFramePixels));
    ASSERT_GE(frames, least);
    for (long k = 0; k < frames; ++k) {
        const long index = static_cast<long>((k + 0.5) / fps * 30 + 1e-9);
        const long shown = index < 30 ? index : index - index % 3;
        double sum = 0;
        for (int i = 0; i < kFramePixels; ++i)
            sum += static_cast<std::uint8_t>(planes[3 * k * kFramePixels + i]);
        EXPECT_NEAR(sum / kFramePixels, std::floor(20 + 2.8 * shown), 1.0) << "frame " << k;
    }
}

TEST(VideoTiming, VariableRateIsRenderedAtItsAverageByTime) {
    const TempFolder folder;
    // 2.5 s: the first second at 30 fps, then 10 fps; each frame's grey
    // level is 20 + 2.8 x its time in 30ths of a second.
    const std::string source = folder / "vfr.mov";
    run("ffmpeg -v error -f lavfi -i \"color=size=64x36:rate=30:duration=2.5,format=gray,"
        "geq=lum='20+2.8*N':cb=128:cr=128\" -f lavfi -i "
        "sine=frequency=440:duration=2.5:sample_rate=48000 "
        "-vf \"select='lt(n,30)+not(mod(n,3))'\" -fps_mode vfr -c:v libx264 -qp 0 "
        "-c:a pcm_s16le '" +
        source + "'");
    ASSERT_EQ(probe(source, "v:0", "nb_frames"), "45\n");

    const std::string out = folder / "out.mov";
    const ToolOutput rendered = render(source, out);
    ASSERT_EQ(rendered.status, 0) << rendered.text;
    EXPECT_TRUE(rendered.has("has a variable frame rate; it is read at its average"))
        << rendered.text;
    EXPECT_FALSE(rendered.has("missing")) << rendered.text;

    // As long as the source, the sound within a frame of the pictures.
    const std::string rate = probe(out, "v:0", "r_frame_rate");
    const double fps = std::stod(rate) / std::stod(rate.substr(rate.find('/') + 1));
    EXPECT_NEAR(seconds(out, "v:0"), seconds(source, "v:0"), 1 / fps);
    EXPECT_NEAR(seconds(out, "a:0"), seconds(out, "v:0"), 1 / fps);

    expectFramesShowTheirTimes(out, fps, 40);

    // At a rate the user gives, by the same rule (12 fps: no frame of the
    // source falls halfway between two of the render's).
    const std::string twelve = folder / "twelve.mov";
    const ToolOutput retimed = render(source, twelve, "--fps 12");
    ASSERT_EQ(retimed.status, 0) << retimed.text;
    EXPECT_EQ(probe(twelve, "v:0", "r_frame_rate"), "12/1\n");
    EXPECT_NEAR(seconds(twelve, "v:0"), seconds(source, "v:0"), 1.0 / 12);
    EXPECT_NEAR(seconds(twelve, "a:0"), seconds(twelve, "v:0"), 1.0 / 12);
    expectFramesShowTheirTimes(twelve, 12, 29);
}

// Renders frames 0-14, 15-30 and 31-47 of `source` into `extension` files
// and joins them with the concat demuxer; `durations` adds each chunk's
// length to the list. Returns the joined file beside one render of them all.
std::pair<std::string, std::string> joinChunks(const TempFolder& folder, const std::string& source,
                                               const std::string& extension, bool durations) {
    const std::string whole = folder / ("one" + extension);
    EXPECT_EQ(render(source, whole, "--quiet").status, 0);
    const long ranges[][2] = {{0, 14}, {15, 30}, {31, 47}};
    std::string list;
    for (const auto& range : ranges) {
        const std::string chunk = folder / ("chunk" + std::to_string(range[0]) + extension);
        const std::string frames = std::to_string(range[0]) + "-" + std::to_string(range[1]);
        const ToolOutput rendered = render(source, chunk, "--quiet --frames " + frames);
        EXPECT_EQ(rendered.status, 0) << rendered.text;
        list += "file '" + chunk + "'\n";
        if (durations)
            list += "duration " + std::to_string((range[1] - range[0] + 1) / 24.0) + "\n";
    }
    const std::string listFile = folder / "list.txt";
    run("printf \"" + list + "\" > '" + listFile + "'");
    const std::string joined = folder / ("joined" + extension);
    run("ffmpeg -v error -f concat -safe 0 -i '" + listFile + "' -c copy '" + joined + "'");
    return {whole, joined};
}

TEST(VideoTiming, ChunksJoinIntoOneRender) {
    const TempFolder folder;
    // ProRes and PCM: each chunk's sound is cut at the sample of its frames'
    // times, and the plain list joins them exactly.
    const std::string mov = folder / "in.mov";
    run("ffmpeg -v error -f lavfi -i testsrc2=size=64x36:rate=24:duration=2 -f lavfi -i "
        "sine=frequency=441:duration=2:sample_rate=48000 -c:v prores_ks -c:a pcm_s16le '" +
        mov + "'");
    const auto [wholeMov, joinedMov] = joinChunks(folder, mov, ".mov", false);
    EXPECT_EQ(frameTimes(joinedMov), frameTimes(wholeMov));
    EXPECT_EQ(pixels(joinedMov, "rgba"), pixels(wholeMov, "rgba"));
    const std::string sound = samples(wholeMov);
    EXPECT_EQ(sound.size(), 2u * 96000);
    EXPECT_TRUE(samples(joinedMov) == sound);

    // H.264 and AAC: each chunk carries the whole packets that start in its
    // frames' time, so the joined packets and sound are one render's; the
    // list gives each chunk's length, which its sound overruns.
    const std::string mp4 = folder / "in.mp4";
    run("ffmpeg -v error -f lavfi -i testsrc2=size=64x36:rate=24:duration=2 -f lavfi -i "
        "sine=frequency=441:duration=2:sample_rate=48000 -c:v libx264 -c:a aac '" +
        mp4 + "'");
    const auto [wholeMp4, joinedMp4] = joinChunks(folder, mp4, ".mp4", true);
    EXPECT_EQ(frameTimes(joinedMp4), frameTimes(wholeMp4));
    EXPECT_EQ(probe(joinedMp4, "v:0", "nb_frames"), "48\n");
    const std::string aac = samples(wholeMp4);
    EXPECT_FALSE(aac.empty());
    EXPECT_TRUE(samples(joinedMp4) == aac);
}

}  // namespace
