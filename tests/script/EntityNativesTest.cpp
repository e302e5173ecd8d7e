#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "EffectScriptTest.h"
#include "gl/Shader.h"
#include "package/FileReads.h"
#include "support/Files.h"

namespace {

// Two passes through intermediate targets, then a flipped blit into the
// output, written with the alternative prefix as authors may.
const char kTwoPasses[] = R"(import Q;
var gradient, tint, first, second, results = [];
function setup() {
    first = Q.S.initRenderTarget(4, 4, 8);
    second = Q.S.initRenderTarget(4, 4, 8);
    gradient = Q.S.initShader("gradient",
        "void main() { gl_FragColor = vec4(gl_TexCoord[0].y, 0.0, 0.0, 1.0); }");
    tint = Q.S.initShader("tint",
        "uniform sampler2D source; uniform float gain; uniform vec4 colour;\n" +
        "void main() { vec4 texel = texture2D(source, gl_TexCoord[0].xy);\n" +
        "  gl_FragColor = vec4(texel.rgb * gain, 1.0) + colour; }\n");
}
function draw() {
    results.push(Q.S.renderShader(gradient, first, false),
                 Q.S.setShaderParamVal(tint, "source", first),
                 Q.S.setShaderParamVal(tint, "gain", 0.5),
                 Q.S.setShaderParamVal(tint, "colour", [0, 0.5, 0, 0]),
                 Q.S.renderShader(tint, second, false),
                 Q.S.blitRenderTarget(second, Q.S.getSequenceRT(), true, false));
}
)";

// The red byte of each row, bottom row first, each within 1 of `expected`.
void expectRowReds(const std::vector<std::uint8_t>& pixels, std::vector<int> expected) {
    ASSERT_EQ(pixels.size(), expected.size() * 16);
    for (std::size_t row = 0; row < expected.size(); ++row)
        EXPECT_NEAR(pixels[row * 16 + 1], expected[row], 1) << "row " << row;
}

const Parameter& uniformOf(const char* name) {
    return Context::instance().getShader(0x2000001).uniform(name);
}

std::wstring lastShaderPath;

std::string packageText(const std::wstring& path) {
    lastShaderPath = path;
    return path == L"\\ripple.frag" ? "void main() { gl_FragColor = vec4(0.5); }" : "";
}

// A 16 x 8 JPEG image.
std::vector<std::uint8_t> packageBytes(const std::wstring& path) {
    const std::string image = readFile(QS_TEST_SOURCE_DIR "/tests/hostlib/data/halves.jpg");
    return path == L"swatch.jpg" ? std::vector<std::uint8_t>(image.begin(), image.end())
                                 : std::vector<std::uint8_t>();
}

}  // namespace

using EntityNatives = EffectScriptTest;

TEST_F(EntityNatives, TwoPassesAndAFlippedBlitReachTheOutput) {
    load(kTwoPasses);
    drawFrame(0, 4, 4);
    EXPECT_EQ(jx("results"), "[true,true,true,true,true,true]");
    // The gradient at texel centres 1/8, 3/8, ...; then halved, green added
    // and mirrored into the output.
    expectRowReds(pixelsOf(handle("first")), {32, 96, 159, 223});
    const std::vector<std::uint8_t> output = pixelsOf(sequence().sequenceRenderTarget);
    expectRowReds(output, {112, 80, 48, 16});
    EXPECT_EQ(output[0], 255);
    EXPECT_NEAR(output[2], 128, 1);

    // A viewport with a width confines the quad; one without covers it all.
    run("var fill = QS_initShader('fill', 'void main() { gl_FragColor = vec4(1.0); }');"
        "var half = QS_initRenderTarget(2, 1, 8), whole = QS_initRenderTarget(2, 1, 8);"
        "QS_renderShader(fill, half, false, [0, 0, 1, 1]);"
        "QS_renderShader(fill, whole, false, [1, 0, 0, 1]);");
    EXPECT_EQ(pixelsOf(handle("half")),
              std::vector<std::uint8_t>({255, 255, 255, 255, 0, 0, 0, 0}));
    EXPECT_EQ(pixelsOf(handle("whole")), std::vector<std::uint8_t>(8, 255));
}

TEST_F(EntityNatives, HandlesOfTheWrongKindOrWithoutEntityGiveFalse) {
    load(kTwoPasses);
    drawFrame(0, 4, 4);
    // A usable shader and a released target: true, nothing drawn.
    EXPECT_EQ(jx("[QS_release(first), QS_renderShader(gradient, first, false), "
                 "QS_renderShader(second, second), QS_renderShader(gradient, gradient), "
                 "QS_release(0x5000001), QS_release(0x7000001), QS_release(-1)]"),
              "[true,true,false,false,true,true,true]");
    EXPECT_EQ(jx("[QS_blitRenderTarget(first, second), QS_blitRenderTarget(gradient, second), "
                 "QS_getSurfaceDim(first), QS_getSurfaceDim(gradient), QS_getSurfaceDim(second)]"),
              "[false,false,false,false,[4,4,8]]");
    EXPECT_EQ(jx("[QS_getShaderError(second), QS_setShaderParam(second, 0x1000001), "
                 "QS_getShaderParamType(second, 'gain'), QS_setShaderParamVal(second, 'gain', 1), "
                 "QS_setTextureParam(gradient, QS_GL.TEXTURE_MIN_FILTER, QS_GL.LINEAR)]"),
              "[\"Id is not a shader!\",false,0,false,false]");
}

TEST_F(EntityNatives, ShaderValuesChangeOnlyWhenTheyDiffer) {
    load(R"(
        var s, gain;
        function setup() {
            gain = QS_initParam("gain", QS_Type.ANGLE);
            s = QS_initShader("knobs", "uniform float gain, plain; uniform vec3 centre;\n" +
                "uniform vec2 offset; uniform bool on; uniform int mode;\n" +
                "void main() { gl_FragColor = vec4(gain + centre.x + offset.y + plain,\n" +
                "  float(on), float(mode), 1.0); }\n");
        })");
    EXPECT_EQ(jx("['gain', 'centre', 'offset', 'on', 'mode', 'absent'].map(function(name) {"
                 " return QS_getShaderParamType(s, name); })"),
              "[12,2,5,8,9,0]");

    run("QS_setShaderParamVal(s, 'plain', 2);");
    EXPECT_EQ(uniformOf("plain").changed, 1);
    run("QS_setShaderParamVal(s, 'plain', 2);");
    EXPECT_EQ(uniformOf("plain").changed, 0);
    run("QS_setShaderParamVal(s, 'plain', 3); QS_setShaderParamVal(s, 'plain', -12345678);");
    EXPECT_EQ(uniformOf("plain").value[0], 3.0f);
    run("QS_setShaderParamVal(s, 'plain', NaN); QS_setShaderParamVal(s, 'plain', NaN);");
    EXPECT_EQ(uniformOf("plain").changed, 1);

    run("QS_setShaderParamVal(s, 'centre', [1, 2, 3]); QS_setShaderParamVal(s, 'centre', 5);");
    EXPECT_EQ(uniformOf("centre").value[2], 3.0f);
    run("QS_setShaderParamVal(s, 'centre', [1, 2]);");
    EXPECT_TRUE(std::isnan(uniformOf("centre").value[2]));

    run("QS_setShaderParamVal(s, 'mode', -2.7); QS_setShaderParamVal(s, 'mode', -12345678);");
    EXPECT_EQ(uniformOf("mode").intValue(), -2);
    run("QS_setShaderParamVal(s, 'mode', 3e9);");
    EXPECT_EQ(uniformOf("mode").intValue(), INT32_MIN);

    // The effect parameter of the same name gives the uniform its value.
    run("QS_setParamValue(gain, 0.25);");
    EXPECT_EQ(jx("[QS_setShaderParam(s, gain), QS_setShaderParam(s, gain + 1), "
                 "QS_setShaderParamVal(s, 'absent', 1)]"),
              "[true,false,true]");
    EXPECT_EQ(uniformOf("gain").value[0], 0.25f);
}

TEST_F(EntityNatives, ShadersAndTexturesComeFromPackageFiles) {
    fileTextHook = packageText;
    fileBytesHook = packageBytes;
    load(R"(
        var ripple, missing, swatch, lost;
        function setup() {
            ripple = QS_initShader("ripple", undefined);
            missing = QS_initShader("missing");
            swatch = QS_initTexture("swatch.jpg", "ignored");
            lost = QS_initTexture("lost.png");
        })");
    EXPECT_EQ(lastShaderPath, L"\\missing.frag");
    EXPECT_EQ(jx("[QS_getShaderError(ripple), QS_getShaderError(missing), QS_initShader(), "
                 "QS_initTexture()]"),
              "[\"\",\"Shader file not found or shader is empty!\",0,0]");
    EXPECT_EQ(jx("[QS_getSurfaceDim(swatch), QS_getSurfaceDim(lost), "
                 "QS_setTextureParam(swatch, QS_GL.TEXTURE_MIN_FILTER, QS_GL.NEAREST), "
                 "QS_setTextureParam(lost, QS_GL.TEXTURE_MIN_FILTER, QS_GL.NEAREST)]"),
              "[[16,8,8],false,true,false]");
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);

    // A released handle is the next one handed out.
    EXPECT_EQ(jx("[QS_release(ripple), QS_initShader('again', 'void main() {}')]"),
              "[true,33554433]");
    EXPECT_EQ(context().getShader(0x2000001).name, L"again");
    fileTextHook = nullptr;
    fileBytesHook = nullptr;
}
