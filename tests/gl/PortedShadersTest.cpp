// Shaders in the styles authors port from elsewhere, compiled by the engine
// and rendered on the real Mesa context; the sizes and the error text they get.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include "entities/Context.h"
#include "gl/RenderTarget.h"
#include "gl/Shader.h"
#include "host/AuthorShaderErrors.h"
#include "support/Files.h"
#include "support/GLTestContext.h"
#include "support/ReadBack.h"

namespace {

class PortedShaders : public ::testing::Test {
protected:
    void SetUp() override { context.initialise(); }
    void TearDown() override { context.reset(); }

    // One host pixel (alpha, red, green, blue) drawn by `source` from a
    // texture of `texel` bound to every sampler.
    std::vector<std::uint8_t> render(const std::string& source, const std::uint8_t texel[4]) {
        Texture& image = context.getTexture(context.createTexture(1, 1, 8));
        image.upload(texel, 1, 1, 8, 4, true, false);
        Shader& shader = context.getShader(context.createShader("port", source));
        EXPECT_EQ(shader.errorText, "");
        for (Parameter& record : shader.uniforms) {
            if (record.kind == QS_Type::LAYER)
                record.setIntValue(static_cast<std::int32_t>(image.texture));
        }
        RenderTarget& target = context.getRenderTarget(context.createRenderTarget(1, 1, 8));
        target.bindAsTarget();
        if (!shader.bind())
            return {};
        shader.draw(false);
        return readBack<std::uint8_t>(target);
    }

    GLTestContext gl;
    Context& context = Context::instance();
};

const std::uint8_t kTexel[4] = {255, 200, 100, 50};  // A, R, G, B

TEST_F(PortedShaders, EachStyleCompilesAndRendersItsColours) {
    const struct {
        const char* file;
        std::vector<std::uint8_t> pixel;
    } ports[] = {
        {"playground.frag", {255, 50, 100, 200}},  // precision qualifiers, .bgra
        {"arrays120.frag", {255, 100, 50, 25}},    // half of red, green, blue
        {"helpers.frag", {255, 200, 100, 50}},     // unchanged
    };
    for (const auto& port : ports) {
        const std::string source =
            readFile(QS_TEST_SOURCE_DIR "/tests/gl/ports/" + std::string(port.file));
        EXPECT_EQ(render(source, kTexel), port.pixel) << port.file;
    }
}

TEST_F(PortedShaders, TextureSizesReachTheirUniformsInEitherDeclarationOrder) {
    const std::uint8_t zero[4] = {};
    for (const char* declarations :
         {"uniform vec4 s_Texture0Params;\nuniform sampler2D image;\n",
          "uniform sampler2D image;\nuniform vec4 s_Texture0Params;\n"}) {
        // Size 1x1: (1, 1, 1, 1) in red, green, blue, alpha.
        const std::string source =
            std::string(declarations) +
            "void main() { gl_FragColor = s_Texture0Params + texture2D(image, vec2(0.5)); }\n";
        EXPECT_EQ(render(source, zero), (std::vector<std::uint8_t>{255, 255, 255, 255}))
            << declarations;
    }
}

TEST_F(PortedShaders, ErrorsInTheFrameNameTheAuthorsFileAndLine) {
    // Hoisted lines still count: the error is on line 5 of the author's text.
    context.createShader("tint",
                         "#version 120\n\n// Tints.\nvoid main() {\n"
                         "    gl_FragColor = vec4(missing);\n}\n");
    const std::string shown = authorShaderErrors();
    EXPECT_EQ(shown.rfind("Shader \"tint\"\nShader compilation failed:\nfx.js:5:", 0), 0u) << shown;
}

}  // namespace
