#include <gtest/gtest.h>

#include "EffectScriptTest.h"

using FrameNatives = EffectScriptTest;

TEST_F(FrameNatives, AFrameSeesItsTimeOriginAndComposition) {
    context().setContextExtent(1920, 1080, 0.9f);
    load(R"(
        var timeInPreRender, origin, extent;
        function setup() {}
        function preRender(w, h, n) {
            timeInPreRender = QS_getTime();
            QS_setOutputExtent(2 * w, 0);
        }
        function draw() { origin = QS_getInputOrigin(); extent = QS_getContextExtent(); })");
    context().clearOutputExtent();
    run("preRender(320, 240, 1);");
    EXPECT_EQ(jx("[timeInPreRender, QS_getInputOrigin()]"), "[0,[0,0]]");
    EXPECT_EQ(sequence().outputWidth, 640u);
    EXPECT_EQ(sequence().outputHeight, 0u);

    context().setInputOrigin(-3, 7);
    drawFrame(1.25, 640, 240);
    // The pixel aspect is a 32-bit float, widened.
    EXPECT_EQ(jx("[origin, extent, QS_getTime()]"), "[[-3,7],[1920,1080,0.8999999761581421],1.25]");
    context().setContextExtent(720, 576, 5.0f);
    EXPECT_EQ(jx("QS_getContextExtent()"), "[720,576,1]");

    // A negative size is a large unsigned one, which no texture holds: refused.
    EXPECT_EQ(jx("QS_setOutputExtent(-1, 2 * 4294967296)"), "false");
    EXPECT_EQ(sequence().outputWidth, 640u);
}

TEST_F(FrameNatives, AStaleInstanceIndexReadsZerosAndTakesNoWrites) {
    load("function setup() {} function draw() {}");
    drawFrame(2.5, 8, 8);
    context().setCurrentInstance(5);
    EXPECT_EQ(jx("[QS_getTime(), QS_getInputOrigin(), QS_getSequenceRT(), QS_getSequenceTexture(),"
                 " QS_setOutputExtent(1, 2)]"),
              "[0,[0,0],0,0,true]");
    context().setCurrentInstance(0);
    EXPECT_EQ(jx("[QS_getTime(), QS_getSequenceRT()]"), "[2.5,50331649]");
    EXPECT_EQ(sequence().outputWidth, 8u);
}
