// `quillshade render` and `rewrite` as an author runs them: --stats renders through the tool's
// own engine, which must give the module's pixels and time every phase of
// the engine's frame; Ctrl-C stops after whole frames only.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "ImageFiles.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

const std::string kCoffee = QS_TEST_SOURCE_DIR "/examples/coffee.png";

// The milliseconds of each line of the statistics, by the line's name.
std::map<std::string, double> statistics(const std::string& text) {
    static const std::regex line(R"(^ *([a-zA-Z -]*[a-zA-Z]) +([0-9.-]+) ms)");
    std::map<std::string, double> values;
    std::istringstream lines(text);
    for (std::string each; std::getline(lines, each);) {
        std::smatch match;
        if (std::regex_search(each, match, line))
            values[match[1]] = std::stod(match[2]);
    }
    return values;
}

TEST(RenderCommand, StatisticsTimeEveryPhaseAndLeaveThePixelsAsTheModuleDrawsThem) {
    // Keyframes, so that every frame differs; and a deep classic frame, whose
    // write-back maps 16-bit values to the host's range.
    const std::string cases[] = {
        "--frames 0-2 --set 'Direction=0@0,360@0.08' --output 'DIR/f-#.png'",
        "--host premiere --depth 16 --set Invert=true --output 'DIR/f-0.png'"};
    for (const std::string& arguments : cases) {
        const TempFolder withStats, without;
        const ToolOutput stats =
            runTool("render --input " + kCoffee + " --stats " +
                    std::regex_replace(arguments, std::regex("DIR"), withStats.path()));
        ASSERT_EQ(stats.status, 0) << stats.text;
        const ToolOutput plain =
            runTool("render --input " + kCoffee + " " +
                    std::regex_replace(arguments, std::regex("DIR"), without.path()));
        ASSERT_EQ(plain.status, 0) << plain.text;

        int frames = 0;
        for (const auto& entry : fs::directory_iterator(without.path())) {
            const std::string name = entry.path().filename();
            EXPECT_EQ(readFile(withStats / name), readFile(without / name))
                << name << " with " << arguments;
            ++frames;
        }
        EXPECT_EQ(frames, arguments.find("0-2") != std::string::npos ? 3 : 1);

        // Every phase took time in the tool's engine, and the phases fit in
        // the render time the host saw: none is counted twice.
        std::map<std::string, double> values = statistics(stats.text);
        for (const char* phase :
             {"parameters", "upload", "script", "GPU", "read-back", "write-back"}) {
            EXPECT_GT(values[phase], 0) << phase << " in\n" << stats.text;
        }
        EXPECT_GE(values["other"], 0) << stats.text;
    }
}

TEST(RewriteCommand, PrintsThePreludeAndTheRewrittenShaderTheEngineCompiles) {
    const std::string shaders = QS_TEST_SOURCE_DIR "/tests/gl/shaders/";
    const ToolOutput rewritten = runTool("rewrite " + shaders + "cube_reflection.frag");
    ASSERT_EQ(rewritten.status, 0) << rewritten.text;
    EXPECT_EQ(rewritten.text, "#define SWIZZLE gbar\n#define QUILL 1\n" +
                                  readFile(shaders + "cube_reflection.frag.expected"));

    const ToolOutput missing = runTool("rewrite " + shaders + "absent.frag");
    EXPECT_NE(missing.status, 0);
    EXPECT_TRUE(missing.has("cannot read")) << missing.text;
}

TEST(RenderCommand, CtrlCStopsAfterAWholeFrameAndLeavesNoTemporaryFile) {
    const TempFolder frames, logs;
    const std::string log = logs / "render.txt";
    const std::string output = frames / "f-###.png";
    const pid_t child =
        spawnTool({"render", "--input", kCoffee, "--frames", "1-200", "--output", output}, log);
    ASSERT_GT(child, 0);

    // Interrupted once a few frames are out, most likely while it renders or
    // writes the next one.
    const ToolOutput interrupted = interruptTool(child, log, [&frames] {
        return std::distance(fs::directory_iterator(frames.path()), fs::directory_iterator{}) >= 4;
    });
    const std::string& said = interrupted.text;
    EXPECT_EQ(interrupted.status, 130) << said;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(said, match, std::regex("interrupted after ([0-9]+) of 200")))
        << said;
    const int count = std::stoi(match[1]);
    EXPECT_GE(count, 3);
    EXPECT_LT(count, 200);
    // Exactly the frames it says it wrote, each one whole.
    int present = 0;
    for (const auto& entry : fs::directory_iterator(frames.path())) {
        const std::string name = entry.path().filename();
        EXPECT_TRUE(std::regex_match(name, std::regex("f-[0-9]{3}\\.png"))) << name;
        const HostWorld image = readImageFile(entry.path());
        EXPECT_EQ(image.width(), 600) << name;
        EXPECT_EQ(image.height(), 400) << name;
        ++present;
    }
    EXPECT_EQ(present, count);
    EXPECT_TRUE(fs::exists(frames / ("f-" + std::string(3 - std::to_string(count).size(), '0') +
                                     std::to_string(count) + ".png")));
}

}  // namespace

TEST(RenderCommand, AFrameWiderThanTheGPUTakesIsReportedNotPassedThrough) {
    const TempFolder folder;
    const std::string input = folder.path() + "/wide.png", output = folder.path() + "/out.png";
    HostWorld wide(16400, 2, 8);
    wide.set(0, 0, PF_PixelFloat{1, 1, 1, 1});
    writeImageFile(input, wide);
    const ToolOutput run = runTool("render --input " + input + " --output " + output);
    EXPECT_EQ(run.status, 1) << run.text;
    EXPECT_NE(run.text.find("PF_Err_OUT_OF_MEMORY"), std::string::npos) << run.text;
    EXPECT_NE(run.text.find("at most 16384 a side"), std::string::npos) << run.text;
    if (fs::exists(output)) {
        EXPECT_EQ(readImageFile(output).get(0, 0).alpha, 0);
    }
}

TEST(RenderCommand, NumbersTooLongForTheHostAreRefusedWithTheOptionsForm) {
    const std::string render = "render --input " + kCoffee + " --output /tmp/never-written.png ";
    for (const char* option :
         {"--downsample 99999999999999999999/1", "--pixel-aspect 1/99999999999999999999",
          "--comp 99999999999999999999x10"}) {
        SCOPED_TRACE(option);
        const ToolOutput run = runTool(render + option);
        EXPECT_EQ(run.status, 1) << run.text;
        EXPECT_TRUE(run.has("must be written")) << run.text;
        EXPECT_FALSE(run.has("stoul") || run.has("stoi")) << run.text;
    }
    EXPECT_FALSE(fs::exists("/tmp/never-written.png"));
}
