// `quillshade render` over video files that the test makes with FFmpeg's
// encoders: a pass-through effect gives back the source frames, exactly
// through a lossless codec and within the codec's loss otherwise, at the
// source's rate, with its audio.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>

#include "tools/ToolOutput.h"
#include "package/TempFolder.h"

namespace {

const std::string kPassThrough = QS_TEST_SOURCE_DIR "/tests/video/effects/passthrough";

std::string run(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    char buffer[65536];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    ::pclose(pipe);
    return text;
}

// Every frame of `path` as raw pixels of `format` (rgba or rgba64le).
std::string pixels(const std::string& path, const std::string& format,
                   const std::string& frames = "") {
    return run("ffmpeg -v error -i '" + path + "' " + frames + " -f rawvideo -pix_fmt " + format +
               " -");
}

std::string probe(const std::string& path, const std::string& stream, const std::string& entry) {
    return run("ffprobe -v error -select_streams " + stream + " -show_entries stream=" + entry +
               " -of csv=p=0 '" + path + "'");
}

// The audio packets' checksum.
std::string audio(const std::string& path) {
    return run("ffmpeg -v error -i '" + path + "' -map 0:a -c copy -f md5 -");
}

double meanDifference(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(static_cast<std::uint8_t>(a[i]) - static_cast<std::uint8_t>(b[i]));
    return sum / a.size();
}

// 12 frames at 24 fps, a ramp in alpha, and a second of 48 kHz sound.
std::string makeSource(const TempFolder& folder, const std::string& name,
                       const std::string& codec) {
    const std::string path = folder / name;
    run("ffmpeg -v error -f lavfi -i 'testsrc2=size=96x64:rate=24:duration=0.5,format=rgba,"
        "geq=r=r(X\\,Y):g=g(X\\,Y):b=b(X\\,Y):a=X*2' -f lavfi -i "
        "'sine=frequency=440:duration=0.5:sample_rate=48000' " +
        codec + " -c:a pcm_s16le '" + path + "'");
    return path;
}

ToolOutput render(const std::string& input, const std::string& output,
                  const std::string& more = "") {
    return runTool("render --quiet --effect " + kPassThrough + " --input '" + input +
                   "' --output '" + output + "' " + more);
}

TEST(VideoRender, LosslessFfv1GivesBackTheSourceFramesAtItsRateWithItsAudio) {
    const TempFolder folder;
    const std::string source = makeSource(folder, "in.mkv", "-c:v ffv1 -pix_fmt bgra");
    ASSERT_FALSE(pixels(source, "rgba").empty());
    const std::string out = folder / "out.mkv";
    const ToolOutput whole = render(source, out);
    ASSERT_EQ(whole.status, 0) << whole.text;
    EXPECT_EQ(pixels(out, "rgba"), pixels(source, "rgba"));
    EXPECT_EQ(probe(out, "v:0", "codec_name,r_frame_rate"), "ffv1,24/1\n");
    EXPECT_EQ(audio(out), audio(source));

    // --frames counts the source's frames; the cut keeps its sound.
    const ToolOutput part = render(source, folder / "part.mkv", "--frames 4-9");
    ASSERT_EQ(part.status, 0) << part.text;
    EXPECT_EQ(pixels(folder / "part.mkv", "rgba"),
              pixels(source, "rgba", "-vf select='between(n\\,4\\,9)' -vsync 0"));
    EXPECT_EQ(probe(folder / "part.mkv", "a:0", "codec_name"), "pcm_s16le\n");
}

TEST(VideoRender, EachCodecKeepsTheFramesWithinItsLossAndTenBitsStayDeep) {
    const TempFolder folder;
    const std::string source = makeSource(folder, "in.mov", "-c:v prores_ks -profile:v 4444");
    // ProRes 4444 decodes at 12 bits.
    EXPECT_EQ(probe(source, "v:0", "pix_fmt"), "yuva444p12le\n");
    const struct {
        const char* output;
        const char* codec;
        const char* pixelFormat;
        const char* compared;
        double meanLoss;
    } cases[] = {
        {"out.mov", "", "yuva444p12le", "rgba", 1.0},            // ProRes 4444 keeps alpha
        {"out.mp4", "", "yuv420p", "rgb24", 8.0},                // H.264 previews
        {"deep.mkv", "--codec ffv1", "gbrap16le", "rgba", 0.5},  // 12 bits feed 16-bit frames
    };
    for (const auto& c : cases) {
        const ToolOutput out = render(source, folder / c.output, c.codec);
        ASSERT_EQ(out.status, 0) << c.output << ": " << out.text;
        EXPECT_EQ(probe(folder / c.output, "v:0", "pix_fmt"), std::string(c.pixelFormat) + "\n");
        EXPECT_LT(meanDifference(pixels(folder / c.output, c.compared), pixels(source, c.compared)),
                  c.meanLoss)
            << c.output;
    }
    const ToolOutput refused = render(source, folder / "x.mp4", "--codec prores4444");
    EXPECT_TRUE(refused.has("cannot hold prores4444")) << refused.text;
}

TEST(VideoRender, AFrameSizeOverTheImageLimitIsRefusedBeforeDecoding) {
    const TempFolder folder;
    const std::string source = folder / "wide.mkv";
    run("ffmpeg -v error -f lavfi -i 'color=size=1024x300:rate=24:duration=0.1' -c:v ffv1 '" +
        source + "'");
    // 1.2 MB in the host's layout, over a limit of 1 MiB.
    const ToolOutput refused = runCommand(
        "QUILLSHADE_IMAGE_MEMORY_MB=1 " QS_TOOL " render --quiet --effect " + kPassThrough +
        " --input '" + source + "' --output '" + folder / "out.mkv" + "'");
    EXPECT_EQ(refused.status, 1) << refused.text;
    EXPECT_TRUE(refused.has("1024 x 300 pixels")) << refused.text;
    EXPECT_TRUE(refused.has("QUILLSHADE_IMAGE_MEMORY_MB")) << refused.text;
    EXPECT_FALSE(std::ifstream(folder / "out.mkv").good());
    EXPECT_EQ(render(source, folder / "out.mkv").status, 0);
}

}  // namespace
