// Which frames `quillshade render` renders, as an artist asks for them: one
// frame of a sequence or a video to a plain file name, a single frame number,
// the rates editors use (23.976, 30000/1001), and --fps over a video.
#include <gtest/gtest.h>

#include <filesystem>

#include "ImageFiles.h"
#include "TestSequence.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

ToolOutput render(const std::string& input, const std::string& output, const std::string& more) {
    return runTool("render --quiet --input '" + input + "' --output '" + output + "' " + more);
}

TEST(RenderFrames, OneFrameOfASequenceOrVideoGoesToAPlainName) {
    const TempFolder folder;
    writeSequence(folder);
    const std::string in = folder / "in.####.png";
    ASSERT_EQ(render(in, folder / "all.####.png", "--frames 1-4").status, 0);
    // Frame 2 at 25 fps is the one shown from 0.08 s to 0.12 s.
    for (const char* frame : {"--frames 2-2", "--frames 2", "--time 0.08", "--time 0.119"}) {
        const ToolOutput out = render(in, folder / "one.png", frame);
        ASSERT_EQ(out.status, 0) << frame << "\n" << out.text;
        EXPECT_EQ(readFile(folder / "one.png"), readFile(folder / "all.0002.png")) << frame;
        fs::remove(folder / "one.png");
    }
    const ToolOutput several = render(in, folder / "two.png", "--frames 2-3");
    EXPECT_EQ(several.status, 1);
    EXPECT_TRUE(several.has("the output name needs a # run")) << several.text;
    EXPECT_FALSE(fs::exists(folder / "two.png"));

#ifdef QS_TEST_VIDEO
    const std::string clip = folder / "clip.mkv";
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=32x24:rate=25:duration=0.4 "
                         "-c:v ffv1 '" +
                         clip + "'")
                  .status,
              0);
    ASSERT_EQ(render(clip, folder / "v.####.png", "--frames 0-9").status, 0);
    for (const char* frame : {"--frames 5-5", "--frames 5", "--time 0.2"}) {
        const ToolOutput out = render(clip, folder / "still.png", frame);
        ASSERT_EQ(out.status, 0) << frame << "\n" << out.text;
        EXPECT_EQ(readFile(folder / "still.png"), readFile(folder / "v.0005.png")) << frame;
        fs::remove(folder / "still.png");
    }
    const ToolOutput before = render(clip, folder / "neg.png", "--time -1");
    EXPECT_EQ(before.status, 1);
    EXPECT_TRUE(before.has("--time over a video must be 0 or more")) << before.text;
#endif
}

// --fps takes whole, decimal and ratio rates; anything else is explained by
// render itself, with the exit status of its other usage errors.
TEST(RenderFrames, RatesAreWholeDecimalOrRatioAndOthersAreExplained) {
    const TempFolder folder;
    writeSequence(folder);
    const std::string in = folder / "in.####.png";
    for (const char* fps : {"24", "23.976", "24000/1001", "30000/1001", "12.5"}) {
        const ToolOutput out =
            render(in, folder / "r.####.png", "--frames 1-2 --fps " + std::string(fps));
        EXPECT_EQ(out.status, 0) << fps << "\n" << out.text;
    }
    for (const char* fps : {"abc", "0", "1/0", "0/1", "-5", "25fps", "1e3", "1/2/3"}) {
        const ToolOutput out =
            render(in, folder / "bad.####.png", "--frames 1-2 --fps " + std::string(fps));
        EXPECT_EQ(out.status, 1) << fps;
        EXPECT_TRUE(out.has("--fps must be a rate above 0 written N, N.M or N/D")) << out.text;
        EXPECT_FALSE(out.has("Could not convert")) << out.text;
    }
    const ToolOutput time = render(in, folder / "t.png", "--time soon");
    EXPECT_EQ(time.status, 1);
    EXPECT_TRUE(time.has("--time must be a number of seconds: 'soon'")) << time.text;
    EXPECT_FALSE(fs::exists(folder / "bad.0001.png"));

#ifdef QS_TEST_VIDEO
    // The rate reaches a video written from the frames.
    const struct {
        const char* fps;
        const char* stored;
    } rates[] = {{"24000/1001", "24000/1001"}, {"29.97", "30000/1001"}, {"12.5", "25/2"}};
    for (const auto& rate : rates) {
        const std::string video = folder / ("r" + std::string(rate.stored).substr(0, 2) + ".mkv");
        ASSERT_EQ(render(in, video, "--frames 1-4 --fps " + std::string(rate.fps)).status, 0);
        EXPECT_EQ(runCommand("ffprobe -v error -select_streams v:0 -show_entries "
                             "stream=r_frame_rate -of csv=p=0 '" +
                             video + "'")
                      .text,
                  std::string(rate.stored) + "\n")
            << rate.fps;
    }
    // Over a video, --fps is the rate of the render, not ignored: a 25 fps
    // clip of 5 frames at 50 fps gives 10, each source frame twice.
    const std::string clip = folder / "clip.mkv";
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=32x24:rate=25:duration=0.2 "
                         "-c:v ffv1 '" +
                         clip + "'")
                  .status,
              0);
    const std::string doubled = folder / "v.mkv";
    const ToolOutput video = render(clip, doubled, "--fps 50");
    ASSERT_EQ(video.status, 0) << video.text;
    EXPECT_EQ(runCommand("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                         "stream=r_frame_rate,nb_read_frames -of csv=p=0 '" +
                         doubled + "'")
                  .text,
              "50/1,10\n");
#endif
}

#ifdef QS_TEST_VIDEO
// A layer parameter takes a sequence or a clip, read along with the input:
// render frame N gets the layer's frame N (plus --layer-offset), the same
// picture a still of that frame gives.
TEST(RenderFrames, LayersTakeSequencesAndClipsFrameByFrame) {
    const TempFolder folder;
    writeSequence(folder);
    const std::string clip = folder / "map.mkv";
    ASSERT_EQ(runCommand("ffmpeg -v error -f lavfi -i testsrc=size=24x16:rate=25:duration=0.2 "
                         "-c:v ffv1 '" +
                         clip + "'")
                  .status,
              0);
    ASSERT_EQ(runCommand("ffmpeg -v error -i '" + clip + "' -start_number 0 '" +
                         (folder / "map.%04d.png") + "'")
                  .status,
              0);
    const std::string input = folder / "in.0001.png";
    const auto frame = [&](const std::string& layer, const std::string& more,
                           const std::string& to) {
        return render(input, to, "--layer heightMap=" + layer + " " + more);
    };
    for (const char* layer : {"map.mkv", "map.####.png"}) {
        const std::string moving = folder / layer;
        ASSERT_EQ(frame(moving, "--frames 1-3", folder / "moving.#.png").status, 0) << layer;
        ASSERT_EQ(
            frame(moving, "--frames 0 --layer-offset heightMap=2", folder / "moved.png").status, 0)
            << layer;
        for (int k = 1; k <= 3; ++k) {
            const std::string still = folder / ("still" + std::to_string(k) + ".png");
            ASSERT_EQ(frame(folder / ("map.000" + std::to_string(k) + ".png"), "", still).status,
                      0);
            EXPECT_EQ(readFile(folder / ("moving." + std::to_string(k) + ".png")), readFile(still))
                << layer << " frame " << k;
        }
        EXPECT_EQ(readFile(folder / "moved.png"), readFile(folder / "still2.png")) << layer;
    }
    // The layer shows: its frames give different pictures.
    EXPECT_NE(readFile(folder / "still1.png"), readFile(folder / "still2.png"));
    // Past the layer's last frame the render stops, naming the layer.
    const ToolOutput past = frame(clip, "--frames 3-6", folder / "past.#.png");
    EXPECT_EQ(past.status, 1) << past.text;
    EXPECT_TRUE(past.has("layer heightMap (" + clip + ") at render frame 5")) << past.text;
    EXPECT_TRUE(fs::exists(folder / "past.4.png")) << past.text;
}
#endif

}  // namespace
