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

// Shaders of later dialects read the host's texels through every sampling
// builtin in red, green, blue, alpha, as texture2D does, and their colour
// goes back to the host's order.
TEST_F(PortedShaders, EverySamplingBuiltinReadsTheChannelsTexture2DReads) {
    const std::uint8_t texel[4] = {160, 200, 100, 50};  // A, R, G, B: all distinct
    const std::string image = "uniform sampler2D image;\nconst vec2 uv = vec2(0.5);\n";
    const std::vector<std::uint8_t> expected =
        render(image + "void main() { gl_FragColor = texture2D(image, uv); }\n", texel);
    ASSERT_EQ(expected, (std::vector<std::uint8_t>{160, 200, 100, 50}));
    const std::string reads[] = {
        "texture(image, uv)",
        "texture(image, uv, 0.0)",
        "textureProj(image, vec3(uv, 1.0))",
        "textureProj(image, vec4(uv, 0.0, 1.0))",
        "textureLod(image, uv, 0.0)",
        "textureOffset(image, uv, ivec2(1, 0))",
        "texelFetch(image, ivec2(0), 0)",
        "texelFetchOffset(image, ivec2(0), 0, ivec2(0))",
        "textureProjOffset(image, vec3(uv, 1.0), ivec2(1, 0))",
        "textureLodOffset(image, uv, 0.0, ivec2(1, 0))",
        "textureProjLod(image, vec3(uv, 1.0), 0.0)",
        "textureProjLodOffset(image, vec3(uv, 1.0), 0.0, ivec2(1, 0))",
        "textureGrad(image, uv, vec2(0.0), vec2(0.0))",
        "textureGradOffset(image, uv, vec2(0.0), vec2(0.0), ivec2(1, 0))",
        "textureProjGrad(image, vec3(uv, 1.0), vec2(0.0), vec2(0.0))",
        "textureProjGradOffset(image, vec3(uv, 1.0), vec2(0.0), vec2(0.0), ivec2(1, 0))",
        // Nested, swizzled, spread over lines, beside a comment with a stray parenthesis.
        "texture(image, texture(image, uv).xy * 0.0 + uv)",
        "texture(image, uv).abgr.wzyx",
        "vec4(/* texture( */ texture (image,\n uv).rgb, texelFetch(image, ivec2(0), 0).a)",
    };
    for (const std::string& read : reads) {
        for (const std::string version : {"#version 130\n", "#version 330\n"}) {
            // 3.30 writes its colour to an output of its own.
            const bool own = version == "#version 330\n";
            const std::string source = version + (own ? "out vec4 colour;\n" : "") + image +
                                       "void main() { " + (own ? "colour" : "gl_FragColor") +
                                       " = " + read + "; }\n";
            EXPECT_EQ(render(source, texel), expected) << source;
        }
    }
    // A gather reads one channel of four texels: red by default.
    EXPECT_EQ(render("#version 400\nlayout(location = 0) out highp vec4 colour;\n" + image +
                         "void main() { colour = vec4(textureGather(image, uv).x, "
                         "textureGather(image, uv, 1).y, textureGatherOffset(image, uv, "
                         "ivec2(1, 0), 2).z, textureGather(image, uv, 3).w); }\n",
                     texel),
              expected);
}

// Names that are not the builtins' are left alone: a 1.10 shader's own
// `texture`, a 1.30 macro that calls texture2D. Shadow and integer samplers
// still compile (the engine binds no texture they could read).
TEST_F(PortedShaders, OwnNamesAndOtherSamplersKeepTheirMeaning) {
    const std::uint8_t texel[4] = {160, 200, 100, 50};
    for (const std::string source :
         {"uniform sampler2D image;\nvec4 texture(sampler2D s, vec2 p) { return texture2D(s, p); "
          "}\nvoid main() { gl_FragColor = texture(image, vec2(0.5)); }\n",
          "#version 130\nuniform sampler2D image;\n#define texture(s, p) texture2D(s, p)\n"
          "void main() { gl_FragColor = texture(image, vec2(0.5)); }\n"})
        EXPECT_EQ(render(source, texel), (std::vector<std::uint8_t>{160, 200, 100, 50})) << source;
    const Shader& shader = context.getShader(context.createShader(
        "others",
        "#version 400\nuniform sampler2DShadow depth;\nuniform usampler2D words;\nvoid main() "
        "{ gl_FragColor = vec4(texture(depth, vec3(0.5)), textureGather(depth, vec2(0.5), "
        "0.5).x, vec2(texelFetch(words, ivec2(0), 0).xy)); }\n"));
    EXPECT_EQ(shader.errorText, "");
}

TEST_F(PortedShaders, ErrorsInTheFrameNameTheAuthorsFileAndLine) {
    // Hoisted lines still count: the error is on line 5 of the author's text,
    // whatever the rewriting puts before and after it.
    for (const char* source :
         {"#version 120\n\n// Tints.\nvoid main() {\n    gl_FragColor = vec4(missing);\n}\n",
          "#version 330\nout vec4 colour;\nuniform sampler2D image;\nvoid main() {\n"
          "    colour = texture(image, vec2(0.5)) * missing;\n}\n"}) {
        context.reset();
        context.initialise();
        context.createShader("tint", source);
        const std::string shown = authorShaderErrors();
        EXPECT_EQ(shown.rfind("Shader \"tint\"\nShader compilation failed:\nfx.js:5:", 0), 0u)
            << shown;
    }
}

}  // namespace
