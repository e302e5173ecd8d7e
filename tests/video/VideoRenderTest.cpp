// `quillshade render` over video files that the test makes with FFmpeg's
// encoders: a pass-through effect gives back the source frames, exactly
// through a lossless codec and within the codec's loss otherwise, at the
// source's rate, with its audio.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "VideoTestSupport.h"
#include "package/TempFolder.h"

namespace {

using namespace videotest;

// The checksum of the sound, decoded: PCM is cut into other packets.
std::string audio(const std::string& path) {
    return run("ffmpeg -v error -i '" + path + "' -map 0:a -c:a pcm_s16le -f md5 -");
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

ToolOutput quietRender(const std::string& input, const std::string& output,
                       const std::string& more = "") {
    return render(input, output, "--quiet " + more);
}

TEST(VideoRender, LosslessFfv1GivesBackTheSourceFramesAtItsRateWithItsAudio) {
    const TempFolder folder;
    const std::string source = makeSource(folder, "in.mkv", "-c:v ffv1 -pix_fmt bgra");
    ASSERT_FALSE(pixels(source, "rgba").empty());
    const std::string out = folder / "out.mkv";
    const ToolOutput whole = quietRender(source, out);
    ASSERT_EQ(whole.status, 0) << whole.text;
    EXPECT_EQ(pixels(out, "rgba"), pixels(source, "rgba"));
    EXPECT_EQ(probe(out, "v:0", "codec_name,r_frame_rate"), "ffv1,24/1\n");
    EXPECT_EQ(audio(out), audio(source));

    // --frames counts the source's frames; the cut keeps its sound.
    const ToolOutput part = quietRender(source, folder / "part.mkv", "--frames 4-9");
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
        const ToolOutput out = quietRender(source, folder / c.output, c.codec);
        ASSERT_EQ(out.status, 0) << c.output << ": " << out.text;
        EXPECT_EQ(probe(folder / c.output, "v:0", "pix_fmt"), std::string(c.pixelFormat) + "\n");
        EXPECT_LT(meanDifference(pixels(folder / c.output, c.compared), pixels(source, c.compared)),
                  c.meanLoss)
            << c.output;
    }
    const ToolOutput refused = quietRender(source, folder / "x.mp4", "--codec prores4444");
    EXPECT_TRUE(refused.has("cannot hold prores4444")) << refused.text;
}

// Subsampled chroma is resampled by the scaler, which writes whole vectors
// past the end of narrow rows (found by fuzzing a clip one pixel wide, which
// corrupted the heap): each of these sizes and subsamplings, odd and even,
// comes out as ffmpeg reads it.
TEST(VideoRender, NarrowSubsampledFramesComeOutAsFfmpegReadsThem) {
    const TempFolder folder;
    for (const char* size : {"1:16", "2:16", "2:2", "3:7", "17:2", "18:6"})
        for (const char* format : {"yuv420p", "yuv422p", "yuvj420p"}) {
            const std::string name =
                std::string(size).replace(std::string(size).find(':'), 1, "x") + "-" + format;
            const std::string source = folder / (name + ".mkv");
            run("ffmpeg -v error -f lavfi -i testsrc2=size=64x64:rate=25,scale=" +
                std::string(size) + " -frames:v 20 -pix_fmt " + format + " -c:v rawvideo '" +
                source + "'");
            // PNG frames: the video encoders ask for wider pictures.
            const ToolOutput rendered = render(source, folder / (name + "-###.png"), "--quiet");
            ASSERT_EQ(rendered.status, 0) << name << ": " << rendered.text;
            EXPECT_LT(meanDifference(pixels(folder / (name + "-%03d.png"), "rgb24"),
                                     pixels(source, "rgb24",
                                            "-sws_flags bicubic+accurate_rnd+full_chroma_int")),
                      2.0)
                << name;
        }
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
    EXPECT_EQ(quietRender(source, folder / "out.mkv").status, 0);
}

// FFV1 cuts each frame into slices, and refuses slices too large for its
// state: 4 slices of a 16-bit frame fail from 4K on, so this is the smallest
// frame that shows a fixed count of 4.
TEST(VideoRender, Ffv1TakesSixteenBitFramesOf4K) {
    const TempFolder folder;
    const std::string source = folder / "4k.mkv";
    run("ffmpeg -v error -f lavfi -i color=c=0x3080c0:size=3840x2160:rate=24 -frames:v 1 "
        "-pix_fmt yuv420p10le -c:v ffv1 '" +
        source + "'");
    const ToolOutput out = quietRender(source, folder / "out.mkv");
    ASSERT_EQ(out.status, 0) << out.text;
    EXPECT_EQ(probe(folder / "out.mkv", "v:0", "width,height,pix_fmt"), "3840,2160,gbrap16le\n");
}

TEST(VideoRender, ALogReadsFrameDoneThenRateAndTimeLeftAndAnAudioFileHasNoVideo) {
    const TempFolder folder;
    const std::string source = makeSource(folder, "in.mkv", "-c:v ffv1");
    // Standard error is not a terminal here, as in a log.
    const ToolOutput logged = render(source, folder / "out.mkv");
    ASSERT_EQ(logged.status, 0) << logged.text;
    EXPECT_TRUE(std::regex_search(
        logged.text, std::regex("(^|\n)frame 1 of 12 done, [0-9.]+ fps, [0-9]+:[0-9]{2} left\n")))
        << logged.text;

    const std::string sound = folder / "sound.m4a";
    run("ffmpeg -v error -f lavfi -i sine=duration=0.2 '" + sound + "'");
    const ToolOutput refused = quietRender(sound, folder / "out.png");
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.has("sound.m4a: no video stream")) << refused.text;
}

}  // namespace
