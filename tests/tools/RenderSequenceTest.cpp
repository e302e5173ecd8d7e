// `quillshade render` over many frames, as a video artist and a render farm run
// it: sequences in and out, progress in a log, loud failures and parameter
// errors that say what would have been right.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "ImageFiles.h"
#include "TestEffects.h"
#include "TestSequence.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

TEST(RenderSequence, FramesFollowTheirNumberAndChunksMatchOneRun) {
    const TempFolder folder;
    writeSequence(folder);
    const std::string common = " --input '" + folder / "in.####.png" +
                               "' --set 'Direction=0@0,90@0.2' --output '" + folder.path();
    const ToolOutput whole = runTool("render --frames 1-4" + common + "/whole-%04d.png'");
    ASSERT_EQ(whole.status, 0) << whole.text;
    // Not a terminal: a plain progress line, then the summary.
    EXPECT_TRUE(whole.has("frame 1 of 4 done, ")) << whole.text;
    EXPECT_TRUE(whole.has("4 of 4 frames in")) << whole.text;
    for (const char* range : {"1-1", "2-3", "4-4"}) {
        const ToolOutput chunk =
            runTool("render --quiet --frames " + std::string(range) + common + "/part.####.png'");
        ASSERT_EQ(chunk.status, 0) << chunk.text;
        EXPECT_EQ(chunk.text, "");
    }
    for (int i = 1; i <= 4; ++i) {
        const std::string n = "000" + std::to_string(i);
        EXPECT_EQ(readFile(folder / ("whole-" + n + ".png")),
                  readFile(folder / ("part." + n + ".png")));
    }
    EXPECT_NE(readFile(folder / "whole-0001.png"), readFile(folder / "whole-0004.png"));

    // The preview reads the same files, its frame 0 at the lowest number: its
    // worker's answer to a request for the input picture of frame 1 is a line
    // and then that picture as a PNG.
    const ToolOutput preview = runCommand("printf 'kind=before\\0frame=1\\0\\0' | " QS_TOOL
                                          " preview-frame --plugin " QS_TEST_BUILD_DIR
                                          "/modules/ReliefmakerFX.so --input '" +
                                          folder / "in.####.png' > '" + folder / "answer'");
    const std::string answer = readFile(folder / "answer");
    ASSERT_NE(answer.find('\n'), std::string::npos) << preview.text;
    writeFile(folder / "b.png", answer.substr(answer.find('\n') + 1));
    const HostWorld shown = readImageFile(folder / "b.png");
    const HostWorld file = readImageFile(folder / "in.0002.png");
    ASSERT_EQ(shown.width(), file.width());
    ASSERT_EQ(shown.height(), file.height());
    for (A_long y = 0; y < file.height(); ++y) {
        for (A_long x = 0; x < file.width(); ++x) {
            ASSERT_EQ(shown.get(x, y).red, file.get(x, y).red) << x << "," << y;
            ASSERT_EQ(shown.get(x, y).alpha, file.get(x, y).alpha) << x << "," << y;
        }
    }
}

// A frame missing from a sequence stops the render there; --keep-going
// renders the frames there are and names the missing ones, up to the sixth.
TEST(RenderSequence, AGapStopsTheRenderOrIsRenderedAroundWithKeepGoing) {
    const TempFolder folder;
    writeSequence(folder);
    fs::copy_file(folder / "in.0004.png", folder / "in.0006.png");
    fs::remove(folder / "in.0003.png");
    const std::string render =
        "render --input '" + folder / "in.####.png' --frames 1-6 --output '" + folder.path();

    const ToolOutput stopped = runTool(render + "/stop.####.png'");
    EXPECT_EQ(stopped.status, 1);
    EXPECT_TRUE(stopped.has("input frame 3 is missing: " + folder / "in.0003.png\n"))
        << stopped.text;
    EXPECT_TRUE(stopped.has("--keep-going renders the frames there are")) << stopped.text;
    EXPECT_TRUE(fs::exists(folder / "stop.0002.png"));
    EXPECT_FALSE(fs::exists(folder / "stop.0004.png"));

    const ToolOutput kept = runTool(render + "/kept.####.png' --keep-going");
    EXPECT_EQ(kept.status, 1);
    EXPECT_TRUE(kept.has("input frame 3 is missing: ")) << kept.text;
    EXPECT_TRUE(kept.has("input frame 5 is missing: ")) << kept.text;
    EXPECT_TRUE(kept.has("4 of 4 frames in")) << kept.text;
    EXPECT_TRUE(kept.has("; 2 input frames missing")) << kept.text;
    for (const char* frame : {"kept.0001.png", "kept.0002.png", "kept.0004.png", "kept.0006.png"})
        EXPECT_TRUE(fs::exists(folder / frame)) << frame;

    // A range far past the files stops at the sixth missing frame, not after
    // a look at every number.
    const ToolOutput far = runTool("render --frames 1-999999999 --keep-going --input '" +
                                   folder / "in.####.png' --output '" + folder / "far.####.png'");
    EXPECT_EQ(far.status, 1);
    EXPECT_TRUE(far.has("input frame 10 is missing: " + folder / "in.0010.png\n")) << far.text;
    EXPECT_TRUE(far.has("stopped: more than 5 input frames are missing")) << far.text;
    EXPECT_TRUE(fs::exists(folder / "far.0006.png"));
}

// Without --frames a sequence renders from its lowest number to its highest
// that has a file; only the names its pattern gives count.
TEST(RenderSequence, WithoutFramesTheFilesThereAreSetTheRange) {
    const TempFolder folder, crowded;
    writeSequence(folder);
    fs::copy_file(folder / "in.0001.png", folder / "in.12.png");
    fs::copy_file(folder / "in.0001.png", folder / "in.0099.png.bak");
    fs::create_directory(folder / "in.0098.png");
    const std::string in = "render --input '" + folder / "in.####.png' --output '";
    const ToolOutput all = runTool(in + folder / "out.####.png'");
    ASSERT_EQ(all.status, 0) << all.text;
    EXPECT_TRUE(all.has("4 of 4 frames in")) << all.text;
    EXPECT_TRUE(fs::exists(folder / "out.0001.png"));
    EXPECT_TRUE(fs::exists(folder / "out.0004.png"));

    const ToolOutput plain = runTool(in + folder / "out.png'");
    EXPECT_EQ(plain.status, 1);
    EXPECT_TRUE(plain.has("the input sequence has frames 1 to 4; with several frames"))
        << plain.text;
    const ToolOutput none = runTool("render --input '" + folder / "none.####.png' --output '" +
                                    folder / "none.####.png'");
    EXPECT_EQ(none.status, 1);
    EXPECT_TRUE(none.has("no file matches the input sequence ")) << none.text;

    // A folder too crowded to look through is said to be, not searched.
    for (int i = 0; i <= 100000; ++i) std::ofstream(crowded / ("x" + std::to_string(i)));
    writeImageFile(crowded / "c.0001.png", HostWorld(8, 8, 8));
    const ToolOutput busy =
        runTool("render --input '" + crowded / "c.####.png' --output '" + folder / "c.####.png'");
    EXPECT_EQ(busy.status, 1);
    EXPECT_TRUE(busy.has("holds more than 100000 entries")) << busy.text;
    EXPECT_TRUE(busy.has("name the frames with --frames FIRST-LAST")) << busy.text;
}

TEST(RenderSequence, ABrokenEffectFailsLoudlyAfterItsFrameOrRendersOnWithKeepGoing) {
    const TempFolder folder;
    writeSequence(folder);
    const struct {
        const char* effect;
        const char* message;
    } cases[] = {
        {"throwingdraw", "fx.js:14: ReferenceError: identifier 'clampEdges' undefined (in draw())"},
        {"throwingsetup", "fx.js:8: Error: strength was never declared"},
        {"badshader", "halo.frag: shader \"halo\" does not compile:\n    halo.frag:"},
        {"missingshader", "fx.js:9: shader \"glow\": glow.frag is missing or empty"},
    };
    for (const auto& c : cases) {
        const std::string args = "render --effect '" + testEffect(folder, c.effect) +
                                 "' --input '" + folder / "in.####.png' --frames 1-3 --output '" +
                                 folder.path() + "/" + c.effect;
        const ToolOutput stopped = runTool(args + "-stop.#.png'");
        EXPECT_EQ(stopped.status, 1) << c.effect;
        EXPECT_TRUE(stopped.has(c.message)) << c.message << " in\n" << stopped.text;
        EXPECT_TRUE(fs::exists(folder / (c.effect + std::string("-stop.1.png"))));
        EXPECT_FALSE(fs::exists(folder / (c.effect + std::string("-stop.2.png"))));
        const ToolOutput kept = runTool(args + "-all.#.png' --keep-going");
        EXPECT_EQ(kept.status, 1) << c.effect;
        EXPECT_TRUE(fs::exists(folder / (c.effect + std::string("-all.3.png")))) << kept.text;
    }
}

TEST(RenderSequence, ParameterErrorsTeachSlidersClampAsTheHostDoesAndScriptNamesAnswer) {
    const TempFolder folder;
    writeSequence(folder);
    const std::string args =
        "render --input '" + folder / "in.0001.png' --output '" + folder / "out.png' --set ";
    const struct {
        const char* set;
        const char* message;
    } cases[] = {
        {"Finish=Marble", "'Marble' is none of the choices: 1 None, 2 Paper, 3 Stone, 4 Chrome"},
        {"'Light Colour=#ff00'", "a colour is written #RRGGBB (e.g. #ff8000) or R,G,B or R,G,B,A"},
        {"lightColor=1,2,0", "has a channel outside 0 to 1"},
        {"Heigth=3", "no parameter 'Heigth'; its parameters, closest first:\n  Height (height)\n"},
    };
    for (const auto& c : cases) {
        const ToolOutput out = runTool(args + c.set);
        EXPECT_EQ(out.status, 1) << c.set;
        EXPECT_TRUE(out.has(c.message)) << c.message << " in\n" << out.text;
    }
    EXPECT_FALSE(fs::exists(folder / "out.png"));
    const ToolOutput clamped = runTool(args + "Height=500@0,-3@1 --set 'Light Colour=#ffb070'");
    ASSERT_EQ(clamped.status, 0) << clamped.text;
    EXPECT_TRUE(
        clamped.has("Height runs from 0 to 50; clamped as the host clamps it: 500 to 50, "
                    "-3 to 0"))
        << clamped.text;
    // Parameters answer to the script's own names too; ReliefmakerFX declares
    // them through a helper function, so only the engine that ran its setup()
    // knows them.
    const std::string atEnd = readFile(folder / "out.png");
    ASSERT_EQ(runTool(args + "height=50 --set 'lightColor=#ffb070' --quiet").status, 0);
    EXPECT_EQ(atEnd, readFile(folder / "out.png"));
}

// An output that leads to a file render reads, by any name, is refused before
// anything is written, and every input stays as it was.
TEST(RenderSequence, AnOutputThatIsAnInputByAnyNameIsRefused) {
    const TempFolder folder;
    writeSequence(folder);
    fs::create_directory(folder / "sub");
    fs::create_symlink(folder / "in.0001.png", folder / "link.png");
    fs::create_hard_link(folder / "in.0001.png", folder / "hard.png");
    fs::copy_file(folder / "in.0001.png", folder / "a10.png");
    fs::copy_file(folder / "in.0002.png", folder / "a11.png");
    const std::string in = "--input '" + folder / "in.0001.png' --output '";
    const struct {
        std::string arguments;
        const char* message;
    } cases[] = {
        {in + folder / "in.0001.png'", "in.0001.png is one of the input files"},
        {in + folder / "link.png'", "link.png is one of the input files"},
        {in + folder / "hard.png'", "hard.png is one of the input files"},
        {in + folder / "sub/../in.0001.png'", "in.0001.png is one of the input files"},
        {in + folder / "in.0002.png' --layer 'Height Map=" + folder / "sub/../in.0002.png'",
         "in.0002.png is the image of --layer Height Map"},
        {"--input '" + folder / "in.####.png' --frames 1-4 --output '" + folder / "in.%04d.png'",
         "in.0001.png is one of the input files"},
        // Frame 1 would land on input frame 0.
        {"--input '" + folder / "a1#.png' --frames 0-1 --output '" + folder / "a#0.png'",
         "a10.png is one of the input files"},
    };
    std::map<std::string, std::string> before;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        if (entry.is_regular_file())
            before[entry.path()] = readFile(entry.path());
    }
    for (const auto& c : cases) {
        const ToolOutput out = runTool("render " + c.arguments);
        EXPECT_EQ(out.status, 1) << c.arguments;
        EXPECT_TRUE(out.has(c.message)) << c.message << " in\n" << out.text;
    }
    for (const auto& [path, bytes] : before) EXPECT_EQ(readFile(path), bytes) << path;
}

// Frame numbers have at most 9 digits: a pattern up to that width is
// honoured, a wider one is refused before anything is written.
TEST(RenderSequence, PatternsUpToNineDigitsNumberTheFramesWiderOnesAreRefused) {
    const TempFolder folder, out;
    writeSequence(folder);
    const std::string render = "render --quiet --frames 1-2 --input '" + folder / "in.0001.png" +
                               "' --output '" + out.path() + "/";
    ASSERT_EQ(runTool(render + "p%09d.png'").status, 0);
    ASSERT_EQ(runTool(render + "h#########.png'").status, 0);
    for (const char* name :
         {"p000000001.png", "p000000002.png", "h000000001.png", "h000000002.png"})
        EXPECT_TRUE(fs::exists(out / name)) << name;
    for (const std::string& pattern :
         {std::string("%010d"), std::string("%099999999999d"), std::string(40, '#')}) {
        const ToolOutput wide = runTool(render + "w" + pattern + ".png'");
        EXPECT_EQ(wide.status, 1) << pattern;
        EXPECT_TRUE(wide.has("the frame number pattern " + pattern + " is wider than 9 digits"))
            << wide.text;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 4);
}

}  // namespace
