#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "EffectScriptTest.h"
#include "gl/Texture.h"
#include "surfaces/Surface.h"

using SurfaceNatives = EffectScriptTest;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The input frame, 2 × 2, host order A, R, G, B: light colours above a grey
// of 0.5, dark ones below, each with its own alpha.
const Bytes kInput = {255, 250, 240, 230, 128, 10, 20, 30, 7, 200, 255, 90, 0, 60, 0, 60};
// Black and white at threshold 0.5, alpha kept.
const Bytes kBlackAndWhite = {255, 255, 255, 255, 128, 0, 0, 0, 7, 255, 255, 255, 0, 0, 0, 0};

}  // namespace

TEST_F(SurfaceNatives, AQuantizedInputIsCopiedIntoTheOutput) {
    load(R"(
        var flipped, kept;
        function setup() { flipped = QS_initRenderTarget(1, 1, 8); }
        function draw() {
            var s = QS_textureToSurface(QS_getSequenceTexture());
            kept = [QS_surfaceQuantize(s, false, 1, 1, 0.5, false),
                    QS_surfaceCopyTo(s, QS_getSequenceRT(), false),
                    QS_surfaceCopyTo(s, flipped, true), QS_getSurfaceDim(flipped)];
        })");
    context().uploadInput(kInput.data(), 2, 2, 8, 8);
    drawFrame(0, 2, 2);
    EXPECT_EQ(jx("kept"), "[true,true,true,[2,2,8]]");
    EXPECT_EQ(pixelsOf(sequence().sequenceRenderTarget), kBlackAndWhite);
    // The surface viewed the texture's CPU copy and quantized it in place.
    EXPECT_EQ(*context().getTexture(sequence().sequenceTexture).cpuCopy(), kBlackAndWhite);
    Bytes flippedRows(kBlackAndWhite.begin() + 8, kBlackAndWhite.end());
    flippedRows.insert(flippedRows.end(), kBlackAndWhite.begin(), kBlackAndWhite.begin() + 8);
    EXPECT_EQ(pixelsOf(handle("flipped")), flippedRows);
}

// A render target is read back bottom row first; at 16 bits an alpha of 32768
// comes back as 32767.
TEST_F(SurfaceNatives, ARenderTargetIsReadBackBottomRowFirstAndDeepAlphaStaysInRange) {
    load(R"(
        var rt, s, t, deep, d;
        function setup() {
            rt = QS_initRenderTarget(3, 2, 8);
            QS_renderShader(QS_initShader("rows",
                "void main() { gl_FragColor = vec4(gl_FragCoord.y < 1.0 ? 1.0 : 0.0, 0.0, 0.0, 1.0); }"),
                rt, false);
            s = QS_textureToSurface(rt);
            t = QS_surfaceToTexture(s);
            deep = QS_initRenderTarget(1, 1, 16);
            QS_renderShader(QS_initShader("half", "void main() { gl_FragColor = vec4(0.25, 0.0, 0.0, 0.50000763); }"),
                deep, false);
            d = QS_textureToSurface(deep);
        })");
    const Surface& surface = context().getSurface(handle("s"));
    ASSERT_NE(surface.pixelAddress(), nullptr);
    EXPECT_EQ(surface.rowBytes, 12u);
    EXPECT_EQ(surface.pixelAddress()[1], 255);
    EXPECT_EQ(surface.pixelAddress()[12 + 1], 0);
    EXPECT_EQ(jx("QS_getSurfaceDim(t)"), "[3,2,8]");
    EXPECT_EQ(*context().getTexture(handle("t")).cpuCopy(),
              Bytes(surface.pixelAddress(), surface.pixelAddress() + 24));

    const auto* channels =
        reinterpret_cast<const std::uint16_t*>(context().getSurface(handle("d")).pixelAddress());
    ASSERT_NE(channels, nullptr);
    EXPECT_EQ(channels[0], 32768);
    EXPECT_EQ(
        jx("[QS_surfaceQuantize(d, false, 8, 1, 0, false), QS_surfaceCopyTo(d, deep, false)]"),
        "[true,true]");
    RenderTarget& target = context().getRenderTarget(handle("deep"));
    const auto* readBack = reinterpret_cast<const std::uint16_t*>(target.readPixels());
    ASSERT_NE(readBack, nullptr);
    EXPECT_EQ(readBack[0], 32767);
    EXPECT_EQ(readBack[1], 16384);
    RenderTarget::releasePixels();
}

TEST_F(SurfaceNatives, WrongHandlesAndEmptySurfacesChangeNothing) {
    load(R"(
        var rt, converted = false, spy = { valueOf: function() { converted = true; return 1; } };
        function setup() { rt = QS_initRenderTarget(2, 2, 8); })");
    EXPECT_EQ(jx("[QS_textureToSurface(0), QS_surfaceQuantize(rt, spy, spy, spy, spy, spy), "
                 "converted, QS_surfaceToTexture(rt), QS_surfaceCopyTo(rt, rt, true)]"),
              "[0,false,false,false,false]");
    // A surface from no texture, and one of width 0, are empty.
    run("var none = QS_textureToSurface(QS_initShader('s', 'void main() {}')),"
        " thin = QS_initSurface(0, 4, 8);");
    EXPECT_EQ(jx("[QS_surfaceQuantize(none, 0, 1, 1, 0.5, 0), QS_surfaceCopyTo(thin, rt, false)]"),
              "[false,false]");
    // Usable without pixels: nothing is read, yet the target takes its size.
    EXPECT_EQ(jx("[QS_surfaceQuantize(QS_initSurface(4, 3, 8, 'extra'), 0, 1, 1, 0.5, 0),"
                 " QS_surfaceCopyTo(QS_initSurface(4, 3, 8), rt, false), QS_getSurfaceDim(rt)]"),
              "[true,true,[4,3,8]]");
}

TEST_F(SurfaceNatives, AnAliasKeepsItsPixelsAfterTheTextureMovesOn) {
    load("function setup() {}");
    context().uploadInput(kInput.data(), 2, 2, 8, 8);
    context().prepareOutput(0, 2, 2, 8);
    run("var s = QS_textureToSurface(QS_getSequenceTexture()), copy = QS_surfaceToTexture(s),"
        " t = QS_textureToSurface(copy);");
    // The input takes a smaller frame, and the other texture is released.
    const Bytes smaller = {1, 2, 3, 4};
    context().uploadInput(smaller.data(), 1, 1, 8, 4);
    run("QS_release(copy);");
    EXPECT_EQ(jx("[QS_surfaceQuantize(s, false, 1, 1, 0.5, false), QS_surfaceCopyTo(s, "
                 "QS_getSequenceRT(), false), QS_surfaceQuantize(t, false, 1, 1, 0.5, false)]"),
              "[true,true,true]");
    EXPECT_EQ(pixelsOf(sequence().sequenceRenderTarget), kBlackAndWhite);
    EXPECT_EQ(*context().getTexture(sequence().sequenceTexture).cpuCopy(), smaller);
}
