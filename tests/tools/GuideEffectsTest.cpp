// The README's examples as a new author meets them: Glow Vignette rendered
// through its module, the README's posterize recipe at 8 and 16 bits, and
// what `check` says of the surface mistakes the guide warns about.
#include <gtest/gtest.h>

#include <cmath>

#include "ImageFiles.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"

namespace {

const std::string kInput = QS_TEST_SOURCE_DIR "/examples/coffee.png";
const std::string kEffects = QS_TEST_SOURCE_DIR "/tests/tools/effects/";

HostWorld render(const TempFolder& folder, const std::string& name, const std::string& options) {
    const std::string output = folder / (name + ".png");
    const ToolOutput out = runTool("render --input '" + kInput + "' --downsample 1/4 --output '" +
                                   output + "' " + options);
    EXPECT_EQ(out.status, 0) << out.text;
    return readImageFile(output);
}

float luma(const HostWorld& image, A_long x, A_long y) {
    const PF_PixelFloat p = image.get(x, y);
    return 0.2126f * p.red + 0.7152f * p.green + 0.0722f * p.blue;
}

TEST(GuideEffects, GlowVignetteKeepsOrientationAndDarkensAwayFromTheCentre) {
    TempFolder folder;
    const std::string module = "--plugin '" QS_TEST_BUILD_DIR "/modules/GlowVignette.so' ";
    const HostWorld plain = render(folder, "plain", module + "--set Glow=0 --set Vignette=None");
    const HostWorld input = readImageFile(kInput).downsampled({1, 4}, {1, 4});
    ASSERT_EQ(plain.width(), input.width());
    // With both stages off the frame passes unchanged: no flip or channel slip.
    for (A_long y = 0; y < input.height(); y += 7) {
        for (A_long x = 0; x < input.width(); x += 5)
            ASSERT_NEAR(luma(plain, x, y), luma(input, x, y), 1.0f / 255) << x << "," << y;
    }
    const A_long w = input.width() - 1, h = input.height() - 1;
    const HostWorld round = render(folder, "round", module);
    EXPECT_LT(luma(round, 0, 0), 0.5f * luma(input, 0, 0));
    EXPECT_GE(luma(round, w / 2, h / 2), luma(input, w / 2, h / 2) - 0.01f);
    // A centre at the top left (layer pixels, full resolution) spares that
    // corner and darkens the opposite one.
    const HostWorld corner =
        render(folder, "corner", module + "--set Glow=0 --set 'Vignette Centre=0,0'");
    EXPECT_NEAR(luma(corner, 1, 1), luma(input, 1, 1), 0.02f);
    EXPECT_LT(luma(corner, w, h), 0.1f * luma(input, w, h) + 0.01f);
}

// The README's loose-file example, run from the source folder: the bare
// engine finds the shaders in the effect's folder and draws what the module does.
TEST(GuideEffects, GlowVignetteAsLooseFilesRendersAsItsModule) {
    TempFolder folder;
    const HostWorld module =
        render(folder, "module", "--plugin '" QS_TEST_BUILD_DIR "/modules/GlowVignette.so'");
    const std::string output = folder / "loose.png";
    const ToolOutput loose =
        runCommand("cd '" QS_TEST_SOURCE_DIR "' && " QS_TOOL " render --input '" + kInput +
                   "' --downsample 1/4 --output '" + output + "' --loose effects/glowvignette");
    ASSERT_EQ(loose.status, 0) << loose.text;
    const HostWorld looseFrame = readImageFile(output);
    ASSERT_EQ(looseFrame.width(), module.width());
    for (A_long y = 0; y < module.height(); y += 3) {
        for (A_long x = 0; x < module.width(); x += 3)
            ASSERT_EQ(luma(looseFrame, x, y), luma(module, x, y)) << x << "," << y;
    }
}

TEST(GuideEffects, ThePosterizeRecipeComesOutRightAt8And16Bits) {
    TempFolder folder;
    const std::string effect = "--effect '" + kEffects + "posterize16' ";
    const HostWorld eight = render(folder, "eight", effect + "--depth 8");
    const HostWorld sixteen = render(folder, "sixteen", effect + "--depth 16");
    ASSERT_EQ(sixteen.depth(), 16);
    long differing = 0;
    for (A_long y = 0; y < eight.height(); ++y) {
        for (A_long x = 0; x < eight.width(); ++x) {
            const PF_PixelFloat p = sixteen.get(x, y);
            // Black or full white, at full alpha: not the half values of a
            // 16-bit surface quantized as it was read.
            for (const float c : {p.red, p.green, p.blue})
                ASSERT_TRUE(c < 0.01f || c > 0.99f) << c << " at " << x << "," << y;
            ASSERT_GT(p.alpha, 0.99f);
            differing += std::fabs(p.red - eight.get(x, y).red) > 0.5f;
        }
    }
    EXPECT_LT(differing, eight.width() * eight.height() / 100);
}

TEST(GuideEffects, CheckNamesTheSurfaceMistakesAndPassesTheGuidesAndBundledEffects) {
    const ToolOutput mistakes = runTool("check '" + kEffects + "surfacemistakes'");
    EXPECT_EQ(mistakes.status, 1);
    for (const char* part :
         {"fx.js:9: QS_getParamValue reads something that is no parameter",
          "fx.js:13: QS_textureToSurface reads a 16-bit render target", "(fx.js:14) takes",
          "fx.js:16: QS_surfaceCopyTo copies a 8-bit surface into a 32-bit target",
          "fx.js:16: QS_surfaceCopyTo copies a 16-bit surface into a 32-bit target"}) {
        EXPECT_TRUE(mistakes.has(part)) << part << " in\n" << mistakes.text;
    }
    // The guide's effects and the bundled one, as a folder and as a module.
    for (const std::string& good :
         {kEffects + "posterize16", std::string(QS_TEST_SOURCE_DIR "/effects/glowvignette"),
          std::string(QS_TEST_SOURCE_DIR "/effects/reliefmaker"),
          std::string(QS_TEST_BUILD_DIR "/modules/ReliefmakerFX.so")}) {
        const ToolOutput out = runTool("check '" + good + "'");
        EXPECT_EQ(out.status, 0) << out.text;
        EXPECT_TRUE(out.has("no problems in")) << out.text;
    }
}

}  // namespace
