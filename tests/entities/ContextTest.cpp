// The render context on the real Mesa context: instances, registries, the
// parameter lookup through the current instance and the per-frame state.
#include <cstring>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "entities/Context.h"
#include "gl/RenderTarget.h"
#include "gl/Shader.h"
#include "support/GLTestContext.h"

namespace {

class ContextTest : public ::testing::Test {
protected:
    void SetUp() override { context.initialise(); }
    void TearDown() override { context.reset(); }

    GLTestContext gl;
    Context& context = Context::instance();
};

TEST_F(ContextTest, InstancesFillTheLowestEmptySlotAndResetStartsAfresh) {
    ASSERT_EQ(context.instances.size(), 1u);
    EXPECT_EQ(context.currentInstance, 0u);
    const Sequence* first = context.currentSequence();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->context, &context);
    EXPECT_EQ(first->sequenceRenderTarget, 0u);
    EXPECT_EQ(first->time, 0.0);

    EXPECT_EQ(context.addInstance(), 1u);
    EXPECT_EQ(context.addInstance(), 2u);
    EXPECT_EQ(context.addInstance(), 3u);
    context.removeInstance(1);
    context.removeInstance(9);
    EXPECT_EQ(context.instances[1], nullptr);
    EXPECT_EQ(context.addInstance(), 1u);
    EXPECT_EQ(context.instances.size(), 4u);

    EXPECT_EQ(context.createRenderTarget(4, 4, 8), 0x3000001u);
    context.reset();
    context.reset();
    EXPECT_TRUE(context.instances.empty());
    EXPECT_EQ(context.currentSequence(), nullptr);
    EXPECT_EQ(context.createRenderTarget(4, 4, 8), 0u) << "no registry after a reset";
    context.initialise();
    EXPECT_EQ(context.instances.size(), 1u);
    EXPECT_EQ(context.createRenderTarget(4, 4, 8), 0x3000001u);
}

TEST_F(ContextTest, PixelAspectOutsideItsRangeIsStoredAsOne) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const float aspect : {0.005f, 4.5f, nan, 0.01f, 4.0f}) {
        context.setContextExtent(1920, 1080, aspect);
        const float expected = aspect == 0.01f || aspect == 4.0f ? aspect : 1.0f;
        EXPECT_EQ(context.pixelAspect, expected) << aspect;
    }
    EXPECT_EQ(context.contextWidth, 1920u);
}

TEST_F(ContextTest, OutputRenderTargetFollowsTheFrameAndSurvivesARelease) {
    Sequence& sequence = *context.currentSequence();
    context.prepareOutput(1.5, 64, 32, 8);
    EXPECT_EQ(sequence.time, 1.5);
    EXPECT_EQ(sequence.outputHeight, 32u);
    const std::uint32_t handle = sequence.sequenceRenderTarget;
    const std::uint32_t name = context.getRenderTarget(handle).texture;
    ASSERT_NE(name, 0u);

    context.prepareOutput(2.0, 16, 8, 32);
    const RenderTarget& resized = context.getRenderTarget(sequence.sequenceRenderTarget);
    EXPECT_EQ(sequence.sequenceRenderTarget, handle);
    EXPECT_EQ(resized.texture, name);
    EXPECT_EQ(resized.width, 16u);
    EXPECT_EQ(resized.depth, 32u);

    context.release(handle);
    context.prepareOutput(3.0, 8, 4, 8);
    RenderTarget& fresh = context.getRenderTarget(sequence.sequenceRenderTarget);
    EXPECT_NE(fresh.texture, 0u);
    EXPECT_NE(fresh.framebuffer, 0u);
    EXPECT_EQ(fresh.height, 4u);
    const std::uint8_t* pixels = fresh.readPixels();
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels[0], 0) << "a fresh target is cleared";
    RenderTarget::releasePixels();
}

TEST_F(ContextTest, InputUploadMapsHost16BitValues) {
    Sequence& sequence = *context.currentSequence();
    context.uploadInput(nullptr, 1, 1, 16, 8);
    EXPECT_EQ(sequence.sequenceTexture, 0u);

    const std::uint16_t host[4] = {32768, 16384, 1, 0};
    context.uploadInput(host, 1, 1, 16, 8);
    Texture& input = context.getTexture(sequence.sequenceTexture);
    ASSERT_TRUE(input.cpuCopy());
    std::vector<std::uint16_t> mapped(4);
    std::memcpy(mapped.data(), input.cpuCopy()->data(), 8);
    EXPECT_EQ(mapped, (std::vector<std::uint16_t>{65534, 32768, 2, 0}));
    EXPECT_TRUE(input.hostOrder);

    context.release(sequence.sequenceTexture);
    context.uploadInput(host, 1, 1, 16, 8);
    EXPECT_NE(context.getTexture(sequence.sequenceTexture).texture, 0u);
}

TEST_F(ContextTest, ShaderErrorsListOnlyTheFailingShaders) {
    context.createShader("good", "void main() { gl_FragColor = vec4(1.0); }\n");
    EXPECT_EQ(context.shaderErrors(), "");
    const Shader& bad = context.getShader(context.createShader("bad", "void main() { oops }\n"));
    ASSERT_FALSE(bad.errorText.empty());
    EXPECT_EQ(bad.name, L"bad");
    EXPECT_EQ(context.shaderErrors(), "Shader \"bad\"\n" + bad.errorText + "\n");
}

TEST_F(ContextTest, StaleCurrentInstanceTouchesNoSequence) {
    const std::uint32_t gain = context.createParameter("gain", QS_Type::FLOAT, "");
    context.removeInstance(context.addInstance());
    for (const std::uint32_t stale : {1u, 7u}) {
        context.setCurrentInstance(stale);
        EXPECT_EQ(context.currentSequence(), nullptr);
        context.setInputOrigin(5, 5);
        context.clearOutputExtent();
        context.prepareOutput(1.0, 8, 8, 8);
        const std::uint8_t pixel[4] = {};
        context.uploadInput(pixel, 1, 1, 8, 4);
        EXPECT_EQ(&context.getParameter(gain), &context.at(0));
    }
    EXPECT_EQ(context.getRenderTarget(0x3000001).texture, 0u) << "no output target was made";
    EXPECT_EQ(context.getTexture(0x4000001).texture, 0u) << "no input texture was made";
    EXPECT_EQ(context.instances[0]->inputOriginX, 0);
}

}  // namespace
