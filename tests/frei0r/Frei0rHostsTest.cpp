// The effects' frei0r plugins inside the hosts that load them, ffmpeg and
// MLT's melt: every frame they give equals `quillshade render` of the same
// frame with the same parameter values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ImageFiles.h"
#include "TemporaryFolder.h"

namespace {

constexpr int kFrames = 6;
const std::string kClipSize = "64x48";

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// Runs a shell command with both plugin folders on FREI0R_PATH; its output
// goes to `log` in the test folder.
void run(const std::string& command, const std::string& folder) {
    const std::string line = "FREI0R_PATH=" + quoted(QS_FREI0R_PLUGINS) + ":" +
                             quoted(QS_FREI0R_TEST_PLUGINS) + " " + command + " >" +
                             quoted(folder + "/log") + " 2>&1";
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
}

std::string framePath(const std::string& folder, const std::string& stem, int index) {
    return folder + "/" + stem + std::to_string(index) + ".png";
}

// The part of `image` from (left, top) of `frame`'s size equals `frame`.
void expectSamePixels(const HostWorld& frame, const HostWorld& image, A_long left, A_long top,
                      const std::string& what) {
    ASSERT_EQ(frame.depth(), 8) << what;
    ASSERT_EQ(image.depth(), 8) << what;
    ASSERT_LE(left + frame.width(), image.width()) << what;
    ASSERT_LE(top + frame.height(), image.height()) << what;
    int differing = 0;
    for (A_long y = 0; y < frame.height(); ++y) {
        const auto* a = static_cast<const PF_Pixel*>(frame.row(y));
        const auto* b = static_cast<const PF_Pixel*>(image.row(y + top)) + left;
        for (A_long x = 0; x < frame.width(); ++x)
            differing += std::memcmp(&a[x], &b[x], sizeof(PF_Pixel)) != 0;
    }
    EXPECT_EQ(differing, 0) << what << ": pixels that differ";
}

class Frei0rHostsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = makeTemporaryFolder();
        // Lossless RGB frames, so that every host decodes the same pixels.
        const std::string lavfi = "ffmpeg -v error -f lavfi -i ";
        const std::string encode =
            " -frames:v " + std::to_string(kFrames) + " -c:v ffv1 -pix_fmt bgra -y ";
        std::system((lavfi + "testsrc=size=" + kClipSize + ":rate=25" + encode +
                     quoted(folder_ + "/clip.mkv") + " >/dev/null 2>&1")
                        .c_str());
        std::system((lavfi + "testsrc2=size=" + kClipSize + ":rate=25" + encode +
                     quoted(folder_ + "/layer.mkv") + " >/dev/null 2>&1")
                        .c_str());
    }

    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    void SetUp() override {
        if (std::strlen(QS_FREI0R_HOSTS_SKIP) != 0)
            GTEST_SKIP() << QS_FREI0R_HOSTS_SKIP;
    }

    static std::string clip() { return folder_ + "/clip.mkv"; }
    static std::string layerClip() { return folder_ + "/layer.mkv"; }
    static std::string module(const std::string& name) {
        return std::string(QS_TEST_BUILD_DIR) + "/modules/" + name + ".so";
    }

    // Frames 0 to kFrames - 1 of `input` through `quillshade render`, as
    // <stem>0.png, <stem>1.png, ...
    static void render(const std::string& module, const std::string& input,
                       const std::string& options, const std::string& stem) {
        run(std::string(QS_TOOL) + " render --quiet --plugin " + quoted(module) + " --input " +
                quoted(input) + " --output " + quoted(folder_ + "/" + stem + "%d.png") +
                " --frames 0-" + std::to_string(kFrames - 1) + " " + options,
            folder_);
    }

    // The clip through ffmpeg's filter graph, as <stem>1.png, <stem>2.png, ...
    static void ffmpeg(const std::string& input, const std::string& filters,
                       const std::string& stem) {
        run("ffmpeg -v error -i " + quoted(input) + " -vf " + quoted(filters) + " -y " +
                quoted(folder_ + "/" + stem + "%d.png"),
            folder_);
    }

    // melt's arguments after the clip, rendered to <stem>1.png, <stem>2.png, ...
    static void melt(const std::string& arguments, const std::string& stem, int realTime) {
        run("melt -silent " + quoted(clip()) + " " + arguments + " -consumer " +
                quoted("avformat:" + folder_ + "/" + stem + "%d.png") +
                " vcodec=png pix_fmt=rgba real_time=" + std::to_string(realTime),
            folder_);
    }

    // Host frame i + 1 against rendered frame i, cropped from the rendered
    // frame's centre when it is larger (a border).
    static void expectSameFrames(const std::string& hostStem, const std::string& renderStem) {
        for (int i = 0; i < kFrames; ++i) {
            const HostWorld host = readImageFile(framePath(folder_, hostStem, i + 1));
            const HostWorld rendered = readImageFile(framePath(folder_, renderStem, i));
            const A_long left = (rendered.width() - host.width()) / 2;
            const A_long top = (rendered.height() - host.height()) / 2;
            expectSamePixels(host, rendered, left, top, hostStem + " frame " + std::to_string(i));
        }
    }

    static std::string folder_;
};

std::string Frei0rHostsTest::folder_;

// frei0r order: strength, colour, glow, vignette, centre X, centre Y.
const std::string kGlowFfmpeg =
    "frei0r=filter_name=GlowVignette:filter_params="
    "0.25|0.2/0.4/0.6|y|1|0.25|0.5";
const std::string kGlowMelt = "-filter frei0r.GlowVignette 0=0.25 1=#336699 2=1 3=1 4=0.25 5=0.5";
const std::string kGlowRender =
    "--set strength=1 --set tint=#336699 --set glowOn=1 --set shape=2 --set centre=16,24";

TEST_F(Frei0rHostsTest, GlowVignetteInFfmpegAndMeltEqualsRender) {
    render(module("GlowVignette"), clip(), kGlowRender, "render");
    ffmpeg(clip(), kGlowFfmpeg, "ffmpeg");
    expectSameFrames("ffmpeg", "render");
    melt(kGlowMelt, "melt", -1);
    expectSameFrames("melt", "render");
    // Three threads render frames at once through the one plugin.
    melt(kGlowMelt, "threads", -3);
    expectSameFrames("threads", "render");
}

TEST_F(Frei0rHostsTest, BorderIsCroppedBackToTheFrame) {
    // Border is the fifth frei0r parameter; the ones before it keep their defaults.
    render(module("ReliefmakerFX"), clip(), "--set Border=20", "render");
    ffmpeg(clip(), "frei0r=filter_name=ReliefmakerFX:filter_params=0.2|0.075|n|1|0.1", "ffmpeg");
    expectSameFrames("ffmpeg", "render");
    melt("-filter frei0r.ReliefmakerFX 4=0.1", "melt", -1);
    expectSameFrames("melt", "render");
}

TEST_F(Frei0rHostsTest, TimeFollowsTheFrameInBothHosts) {
    // ffmpeg 5.1 passes no usable time, so its frames are counted; MLT passes
    // seconds from the filter's start.
    render(QS_TIMESHIFT_MODULE, clip(), "--set speed=3", "render");
    ffmpeg(clip(), "frei0r=filter_name=TimeShift:filter_params=0.3", "ffmpeg");
    expectSameFrames("ffmpeg", "render");
    melt("-filter frei0r.TimeShift 0=0.3", "melt", -1);
    expectSameFrames("melt", "render");
}

TEST_F(Frei0rHostsTest, ChainedEffectsEqualRenderingTwice) {
    render(module("GlowVignette"), clip(), kGlowRender, "glow");
    render(module("ReliefmakerFX"), folder_ + "/glow%d.png", "", "render");
    ffmpeg(clip(), kGlowFfmpeg + ",frei0r=filter_name=ReliefmakerFX", "ffmpeg");
    expectSameFrames("ffmpeg", "render");
    melt(kGlowMelt + " -filter frei0r.ReliefmakerFX", "melt", -3);
    expectSameFrames("melt", "render");
}

TEST_F(Frei0rHostsTest, MixerTakesItsLayerFromTheSecondTrack) {
    render(module("ReliefmakerFX"), clip(), "--layer heightMap=" + quoted(layerClip()), "render");
    melt("-track " + quoted(layerClip()) +
             " -transition frei0r.ReliefmakerFX_mixer a_track=0 b_track=1",
         "melt", -1);
    expectSameFrames("melt", "render");
}

TEST_F(Frei0rHostsTest, TransparentInputKeepsItsAlpha) {
    // Alpha falling from opaque on the left to clear on the right.
    const std::string image = folder_ + "/alpha.png";
    run("ffmpeg -v error -f lavfi -i testsrc=size=" + kClipSize +
            " -frames:v 1 -vf 'format=rgba,geq=r=r(X\\,Y):g=g(X\\,Y):b=b(X\\,Y):a=255-4*X' -y " +
            quoted(image),
        folder_);
    run(std::string(QS_TOOL) + " render --quiet --plugin " + quoted(module("GlowVignette")) +
            " --input " + quoted(image) + " --output " + quoted(folder_ + "/alpha-render.png") +
            " " + kGlowRender,
        folder_);
    run("ffmpeg -v error -i " + quoted(image) + " -vf " + quoted(kGlowFfmpeg) +
            " -pix_fmt rgba -y " + quoted(folder_ + "/alpha-ffmpeg.png"),
        folder_);
    const HostWorld input = readImageFile(image);
    ASSERT_LT(static_cast<const PF_Pixel*>(input.row(0))[60].alpha, 255);
    // The PNG's straight alpha reaches the effect unchanged in both.
    expectSamePixels(readImageFile(folder_ + "/alpha-ffmpeg.png"),
                     readImageFile(folder_ + "/alpha-render.png"), 0, 0, "alpha");
}

}  // namespace
