// The rendering device as a render machine's user chooses it: Mesa lists its
// software rasteriser as an EGL device too, so the device path (what a GPU
// machine takes) and the surfaceless path are both exercised here, and must
// give the same frame. --stats names the renderer that drew it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ToolOutput.h"
#include "package/TempFolder.h"

namespace {

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(GlDevice, TheDevicePathAndTheSurfacelessPathRenderTheSameFrame) {
    const TempFolder folder;
    std::string reference;
    int run = 0;
    // The enumerated software device, the surfaceless platform, and settings
    // that name no device, which fall back to software.
    for (const char* setting : {"0", "software", "auto", "/dev/dri/no-such-node", "gpu"}) {
        const std::string output = folder / ("frame-" + std::to_string(++run) + ".png");
        const ToolOutput result =
            runCommand(std::string("QUILLSHADE_GL_DEVICE='") + setting + "' " +
                       QS_TOOL " render --stats --input " QS_TEST_SOURCE_DIR
                               "/examples/coffee.png --output '" +
                       output + "'");
        ASSERT_EQ(result.status, 0) << setting << ": " << result.text;
        EXPECT_TRUE(result.has("\nrenderer       llvmpipe")) << setting << ": " << result.text;
        const std::string frame = fileBytes(output);
        if (reference.empty())
            reference = frame;
        EXPECT_FALSE(frame.empty()) << setting;
        EXPECT_TRUE(frame == reference) << setting << " renders another frame";
    }
}
