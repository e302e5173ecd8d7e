// The GPU budget as an author meets it: `render` and `check` warn about a
// shader pass that keeps the GPU busy past the budget, and say nothing of an
// effect whose passes stay within it. The slow test effect's pass takes
// 100 ms or more on llvmpipe, far over the 5 ms the tests set.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestEffects.h"
#include "ToolOutput.h"
#include "package/TempFolder.h"

namespace {

const std::string kCoffee = QS_TEST_SOURCE_DIR "/examples/coffee.png";
const std::string kLowBudget = "QS_GPU_PASS_BUDGET_MS=5 ";
// The user's own setting must not decide the tests: unset, the default holds.
const std::string kDefaultBudget = "env -u QS_GPU_PASS_BUDGET_MS ";

const char kSlowPassWarning[] = "warning: slow.frag: shader \"slow\" kept the GPU busy for ";

TEST(GpuBudget, RenderAndCheckWarnAboutAPassOverItWithoutFailing) {
    const TempFolder folder;
    const std::string effect = kTestEffects + "slowpass";
    const ToolOutput render =
        runCommand(kLowBudget + QS_TOOL " render --input " + kCoffee + " --output '" +
                   (folder / "f-#.png") + "' --frames 0-1 --stats --effect " + effect);
    EXPECT_EQ(render.status, 0) << render.text;
    EXPECT_TRUE(std::filesystem::exists(folder / "f-1.png")) << render.text;
    for (const char* part :
         {kSlowPassWarning, "in one pass over a 600 x 400 target, past the budget of 5 ms a pass",
          "(measured on ", "QS_GPU_PASS_BUDGET_MS sets the budget", "(frame 0)",
          // The second frame's pass is counted, not warned about again.
          "warning: 2 passes in 2 frames kept the GPU busy past the budget of 5 ms a pass; the "
          "slowest, shader \"slow\" (slow.frag), ",
          "  slowest pass ", " shader \"slow\" (slow.frag), 600 x 400 (frame "}) {
        EXPECT_TRUE(render.has(part)) << part << " in\n" << render.text;
    }
    EXPECT_EQ(render.text.find(kSlowPassWarning), render.text.rfind(kSlowPassWarning))
        << render.text;

    const ToolOutput check = runCommand(kLowBudget + QS_TOOL " check " + effect);
    EXPECT_EQ(check.status, 0) << check.text;
    EXPECT_TRUE(check.has(std::string(kSlowPassWarning))) << check.text;
    EXPECT_TRUE(check.has("quillshade check: no problems in " + effect + " (1 warning)"))
        << check.text;
}

TEST(GpuBudget, AnEffectWithinItHearsNothing) {
    const TempFolder folder;
    const ToolOutput render = runCommand(kDefaultBudget + QS_TOOL " render --input " + kCoffee +
                                         " --output " + (folder / "relief.png") + " --stats");
    EXPECT_EQ(render.status, 0) << render.text;
    EXPECT_FALSE(render.has("warning")) << render.text;
    // The slowest pass is still told with the statistics.
    EXPECT_TRUE(render.has("  slowest pass ")) << render.text;

    const std::string effect = QS_TEST_SOURCE_DIR "/effects/reliefmaker";
    const ToolOutput check = runCommand(kDefaultBudget + QS_TOOL " check " + effect);
    EXPECT_EQ(check.status, 0) << check.text;
    EXPECT_EQ(check.text, "quillshade check: no problems in " + effect + "\n");
}

}  // namespace
