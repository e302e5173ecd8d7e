// `quillshade check` on real effect folders and modules: each broken test
// effect has one fault, which the report must name precisely enough for the
// author to find it.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestEffects.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

ToolOutput check(const std::string& target) {
    return runTool("check '" + target + "'");
}

void expectOneProblem(const ToolOutput& out, const std::vector<std::string>& parts) {
    EXPECT_EQ(out.status, 1) << out.text;
    EXPECT_TRUE(out.has("1 problem in")) << out.text;
    for (const std::string& part : parts) EXPECT_TRUE(out.has(part)) << part << " in\n" << out.text;
}

TEST(CheckCommand, ScriptErrorsNameTheFxJsLineAndWhatWasRunning) {
    // The engine reports lines of prelude + fx.js + bootstrap; the check
    // gives them back as fx.js lines.
    const TempFolder folder;
    const ToolOutput syntax = check(testEffect(folder, "syntaxerror"));
    expectOneProblem(syntax, {"fx.js:6: SyntaxError", "does not parse, so none of it ran",
                              "note: no frame was rendered"});
    // Nothing else is blamed on the script that never ran.
    EXPECT_FALSE(syntax.has("updateUIFlags")) << syntax.text;

    expectOneProblem(check(testEffect(folder, "throwingsetup")),
                     {"fx.js:8: Error: strength was never declared", "setup()"});
    const std::string effect = testEffect(folder, "throwingdraw");
    expectOneProblem(check(effect), {"fx.js:14: ReferenceError", "clampEdges", "(in draw())"});

    writeFile(effect + "/fx.js",
              "function setup() {}\n"
              "function preRender(w, h) { throw new RangeError('too narrow: ' + w); }\n"
              "function draw() {}\n");
    expectOneProblem(check(effect), {"fx.js:2: RangeError: too narrow: 256 (in preRender())"});
    // An error in the engine's own call of setup() lies after fx.js.
    writeFile(effect + "/fx.js", "function draw() {}\n");
    expectOneProblem(check(effect), {"fx.js: ReferenceError: identifier 'setup' undefined (in the "
                                     "engine's call of setup() after fx.js)"});
}

TEST(CheckCommand, ShaderProblemsNameTheFileTheShaderAndTheLog) {
    const TempFolder folder;
    const ToolOutput bad = check(kTestEffects + "badshader");
    expectOneProblem(bad, {"halo.frag: shader \"halo\" does not compile:", "radius"});
    // The GL log's line counts the engine's prelude and wrappers; the report
    // names the line of the author's file.
    EXPECT_TRUE(bad.has("    halo.frag:7:")) << bad.text;
    EXPECT_TRUE(bad.has("note: draw() did not run")) << bad.text;

    expectOneProblem(check(testEffect(folder, "missingshader")),
                     {"fx.js:9: shader \"glow\": glow.frag is not in the package"});

    // Shader files the script never loads are compiled too.
    const std::string effect = testEffect(folder, "missingimage");
    writeFile(effect + "/grain.png", "");
    fs::copy(kTestEffects + "badshader/halo.frag", effect + "/spare.frag");
    const ToolOutput spare = check(effect);
    EXPECT_TRUE(spare.has("spare.frag: shader \"spare\" does not compile (fx.js did not load it"))
        << spare.text;
    EXPECT_TRUE(spare.has("    spare.frag:7:")) << spare.text;
}

TEST(CheckCommand, ImagesTheScriptAsksForMustBeInThePackageAndDecode) {
    const TempFolder folder;
    const std::string effect = testEffect(folder, "missingimage");
    expectOneProblem(check(effect), {"fx.js:9: image \"grain.png\" is not in the package"});
    writeFile(effect + "/grain.png", "not a picture");
    expectOneProblem(check(effect), {"fx.js:9: image \"grain.png\" cannot be decoded"});
    writeFile(effect + "/grain.png", "");
    expectOneProblem(check(effect), {"fx.js:9: image \"grain.png\" is empty"});
}

TEST(CheckCommand, WhatCannotBePackedOrLoadedIsNamed) {
    const TempFolder folder;
    const std::string effect = testEffect(folder, "throwingdraw");
    fs::remove(effect + "/config.xml");
    const ToolOutput unpackable = check(effect);
    EXPECT_EQ(unpackable.status, 1);
    EXPECT_TRUE(unpackable.has("config.xml: missing")) << unpackable.text;

    const ToolOutput bare = check(QS_TEST_BUILD_DIR "/modules/QuillshadeEngine.so");
    EXPECT_EQ(bare.status, 1);
    EXPECT_TRUE(bare.has("no property list")) << bare.text;
}

}  // namespace

TEST(CheckCommand, UniformsTheScriptMissesAndNamesNoShaderHasAreNamed) {
    const TempFolder folder;
    const std::string effect = testEffect(folder, "misspeltuniform");
    const ToolOutput found = check(effect);
    EXPECT_EQ(found.status, 1) << found.text;
    for (const char* part :
         {"fx.js:12: the script sets \"imgae\" on shader \"tint\" (tint.frag), which has no "
          "uniform of that name, so the value goes nowhere; did you mean \"image\"?",
          "fx.js:13: the script sets \"gain\" on shader \"tint\" (tint.frag), which has no "
          "uniform of that name, so the value goes nowhere\n",
          "tint.frag:3: uniform \"image\" is never set by the script, so it stays reading no "
          "texture (black); the script sets \"imgae\", which the shader lacks",
          "3 problems in"}) {
        EXPECT_TRUE(found.has(part)) << part << " in\n" << found.text;
    }

    // render renders, and warns about each such set once, at its line.
    const ToolOutput render =
        runTool("render --effect '" + effect +
                "' --input " QS_TEST_SOURCE_DIR "/examples/coffee.png --frames 0-1 --output '" +
                (folder / "f-#.png") + "'");
    EXPECT_EQ(render.status, 0) << render.text;
    const std::string warning = "warning: fx.js:12: the script sets \"imgae\"";
    EXPECT_TRUE(render.has(warning)) << render.text;
    EXPECT_EQ(render.text.find(warning), render.text.rfind(warning)) << render.text;
}

TEST(CheckCommand, AnOutputUpsideDownOrNeverWrittenIsNamed) {
    const TempFolder folder;
    expectOneProblem(check(testEffect(folder, "upsidedown")),
                     {"fx.js:14: this pass writes the output upside down"});
    expectOneProblem(check(testEffect(folder, "nooutput")),
                     {"fx.js: draw() never writes QS_getSequenceRT()"});
    // Passes through targets of the script's own, each flip as the rules
    // have it, are no problem.
    for (const char* effect : {"posterize16", "ported"})
        EXPECT_TRUE(check(kTestEffects + effect).has("no problems")) << effect;
}
