// A damaged source does not stop a render: damage the decoder conceals is a
// warning, and a frame it drops is stood in for so that the frames keep
// their times. A source that cannot go on, or Ctrl-C, ends the render, and
// what was rendered stays under a name that says it is partial, never the
// final one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "VideoTestSupport.h"
#include "package/TempFolder.h"

namespace {

using namespace videotest;

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

long frameCount(const std::string& path) {
    const std::string count = probe(path, "v:0", "nb_read_frames -count_frames");
    return count.empty() ? -1 : std::stol(count);
}

TEST(VideoDamage, ConcealedDamageIsAWarningAndADroppedFrameIsStoodInFor) {
    const TempFolder folder;
    const std::string clean = folder / "clean.mp4";
    run("ffmpeg -v error -f lavfi -i testsrc2=size=128x96:rate=24 -frames:v 48 -c:v libx264 "
        "-g 12 -bf 0 '" +
        clean + "'");
    // Frame 20's slice header scrambled: the decoder drops the frame.
    const std::string positions = run(
        "ffprobe -v error -select_streams v -show_entries packet=pos -of csv=p=0 '" + clean + "'");
    std::size_t line = 0;
    for (int i = 0; i < 20; ++i) line = positions.find('\n', line) + 1;
    const std::size_t position = std::stoul(positions.substr(line));
    std::string bytes = readFile(clean);
    ASSERT_LT(position + 12, bytes.size());
    for (std::size_t i = position + 4; i < position + 12; ++i) bytes[i] ^= '\xa5';
    const std::string damaged = folder / "damaged.mp4";
    writeFile(damaged, bytes);

    const std::string out = folder / "out.mkv";
    const ToolOutput rendered = render(damaged, out);
    EXPECT_EQ(rendered.status, 0) << rendered.text;
    EXPECT_TRUE(rendered.has("the decoder conceals it")) << rendered.text;
    EXPECT_TRUE(rendered.has("frame 20 is missing; frame 19 stands in for it")) << rendered.text;
    EXPECT_TRUE(rendered.has("48 of 48 frames")) << rendered.text;
    EXPECT_TRUE(rendered.has("1 decoding error concealed, 1 missing frame stood in for"))
        << rendered.text;
    EXPECT_EQ(frameCount(out), 48);
    EXPECT_TRUE(pixels(out, "rgba", "-vf select='eq(n\\,19)' -vsync 0") ==
                pixels(out, "rgba", "-vf select='eq(n\\,20)' -vsync 0"));
}

TEST(VideoDamage, ASourceThatEndsEarlyLeavesAPartialFileThatReplacesNothing) {
    const TempFolder folder;
    const std::string whole = folder / "whole.mkv";
    run("ffmpeg -v error -f lavfi -i testsrc2=size=64x48:rate=24 -frames:v 24 -c:v ffv1 "
        "-pix_fmt bgra '" +
        whole + "'");
    // The container states 24 frames; the data of about half are there.
    const std::string bytes = readFile(whole);
    const std::string cut = folder / "cut.mkv";
    writeFile(cut, bytes.substr(0, bytes.size() / 2));

    const std::string out = folder / "out.mkv";
    const ToolOutput first = render(cut, out);
    EXPECT_EQ(first.status, 1) << first.text;
    EXPECT_TRUE(first.has("cut.mkv has no frame")) << first.text;
    EXPECT_FALSE(std::filesystem::exists(out));
    const std::string partial = folder / "out.partial.mkv";
    EXPECT_TRUE(first.has("frames in")) << first.text;
    EXPECT_TRUE(first.has("to " + partial)) << first.text;
    const long written = frameCount(partial);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 24);
    EXPECT_TRUE(pixels(partial, "rgba") ==
                pixels(whole, "rgba", "-frames:v " + std::to_string(written)));

    // A file under the partial name is somebody's: the next one goes beside it.
    writeFile(partial, "mine");
    const ToolOutput second = render(cut, out, "--quiet");
    EXPECT_EQ(second.status, 1) << second.text;
    EXPECT_EQ(readFile(partial), "mine");
    EXPECT_EQ(frameCount(folder / "out.partial-2.mkv"), written);
    // Nothing else is left beside the clips, the hidden temporary file
    // included.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              4);
}

// Decoding ahead and encoding behind run on threads of their own: Ctrl-C
// while all three are busy stops them, finishes the container of the frames
// already written and leaves it under the partial name, with nothing under
// the final name and no temporary file.
TEST(VideoDamage, CtrlCLeavesTheFramesWrittenUnderThePartialName) {
    const TempFolder folder;
    const std::string source = folder / "long.mp4";
    run("ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25 -frames:v 3000 -c:v libx264 "
        "-g 25 '" +
        source + "'");
    const std::string out = folder / "out.mov";
    const std::string log = folder / "render.txt";
    const pid_t child =
        spawnTool({"render", "--effect", kPassThrough, "--input", source, "--output", out}, log);
    ASSERT_GT(child, 0);
    // Interrupted once the hidden file being written has grown past its
    // first frames.
    const ToolOutput interrupted = interruptTool(child, log, [&folder] {
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            if (entry.path().filename().string().rfind(".out", 0) == 0 &&
                entry.file_size() > 200000)
                return true;
        return false;
    });
    const std::string& said = interrupted.text;
    EXPECT_EQ(interrupted.status, 130) << said;
    const std::string partial = folder / "out.partial.mov";
    EXPECT_TRUE(said.find("to " + partial + "; interrupted") != std::string::npos) << said;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(said, match, std::regex("interrupted after ([0-9]+) of 3000")))
        << said;
    const long count = std::stol(match[1]);
    EXPECT_GT(count, 0);
    EXPECT_LT(count, 3000);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(frameCount(partial), count);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              3);
}

// Found by fuzzing: streams whose colour tags are codes no enumeration of
// the library has (a transfer of 35, a matrix of 34). They are read as
// unspecified, without the undefined read the sanitizer build stops at.
TEST(VideoDamage, ColourCodesOutsideTheLibrarysAreTakenAsUnspecified) {
    const TempFolder folder;
    for (const char* name : {"video-colour-transfer-35.mov", "video-colour-space-34.mov"}) {
        const ToolOutput rendered =
            render(QS_TEST_SOURCE_DIR "/fuzz/corpus/video/" + std::string(name),
                   folder / (std::string(name) + ".mkv"), "--quiet");
        EXPECT_TRUE(rendered.status == 0 || rendered.status == 1) << name << rendered.text;
        EXPECT_EQ(rendered.text.find("runtime error"), std::string::npos) << name << rendered.text;
    }
}

}  // namespace
