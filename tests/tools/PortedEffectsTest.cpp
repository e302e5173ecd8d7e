// Effects made of shaders ported from elsewhere, through the tool: one that
// renders with a GLSL 1.30 shader, integer-vector uniforms and an
// extension's texture2DLod, one whose careless port check must explain line
// by line.
#include <gtest/gtest.h>

#include "ImageFiles.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"

namespace {

const std::string kEffects = QS_TEST_SOURCE_DIR "/tests/tools/effects/";

TEST(PortedEffects, VersionAndExtensionShadersRenderInAnEffect) {
    const TempFolder folder;
    HostWorld input(4, 4, 8);
    for (A_long y = 0; y < 4; ++y) {
        for (A_long x = 0; x < 4; ++x) input.set(x, y, PF_PixelFloat{1.0f, 0.8f, 0.4f, 0.2f});
    }
    writeImageFile(folder / "in.png", input);
    const ToolOutput out = runTool("render --effect " + kEffects + "ported --input " +
                                   (folder / "in.png") + " --output " + (folder / "out.png"));
    ASSERT_EQ(out.status, 0) << out.text;
    // lod.frag turns (0.8, 0.4, 0.2) into (0.2, 0.8, 0.4); steps.frag rounds,
    // given one level and its flags through integer and boolean vectors.
    const PF_PixelFloat pixel = readImageFile(folder / "out.png").get(1, 2);
    EXPECT_EQ((std::vector<float>{pixel.alpha, pixel.red, pixel.green, pixel.blue}),
              (std::vector<float>{1, 0, 1, 0}));
}

TEST(PortedEffects, CheckNamesEachUniformThatGetsNoValueAndEachFailingShader) {
    const ToolOutput out = runTool("check '" + kEffects + "badport'");
    EXPECT_EQ(out.status, 1) << out.text;
    for (const char* part :
         {"grade.frag:3: uniform float shape never receives the POPUP parameter \"shape\"",
          "declare uniform int shape",
          "grade.frag:4: uniform ivec2 cells never receives the POINT2D parameter \"cells\"",
          "declare uniform vec2 cells", "grade.frag:5: uniform mat2 turn: the engine cannot set",
          "vec2 uniforms", "grade.frag:6: uniform vec4 Texture1Params receives no texture size",
          "grade.frag:7: uniform sampler2DRect plate: the engine cannot set a sampler2DRect "
          "uniform, so it keeps 0; declare it as sampler2D",
          "commented.frag: shader \"commented\" does not compile",
          "commented.frag:2: the engine renames the first \"main(\"",
          "typo.frag: shader \"typo\" does not compile",
          "typo.frag:2:", "the host shows the error text in every frame"}) {
        EXPECT_TRUE(out.has(part)) << part << " in\n" << out.text;
    }
}

}  // namespace
