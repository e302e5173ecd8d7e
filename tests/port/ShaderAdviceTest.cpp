// The frame's error text for shaders brought over from other hosts without
// `quillshade port`: each cause gets one line saying what to write instead,
// and the overload lists that bury the cause are gone. Compiled and linked on
// the real Mesa context.
#include <gtest/gtest.h>

#include <algorithm>

#include "entities/Context.h"
#include "gl/Shader.h"
#include "host/AuthorShaderErrors.h"
#include "support/GLTestContext.h"

namespace {

class ShaderAdvice : public ::testing::Test {
protected:
    void SetUp() override { context.initialise(); }
    void TearDown() override { context.reset(); }

    // The error text the host shows for a shader compiled from `source`.
    std::string errorsFor(const std::string& source) {
        context.reset();
        context.initialise();
        context.createShader("port", source);
        return authorShaderErrors();
    }

    GLTestContext gl;
    Context& context = Context::instance();
};

// The one line of `text` that contains `part`, or empty.
std::string lineWith(const std::string& text, const std::string& part) {
    const std::size_t at = text.find(part);
    if (at == std::string::npos)
        return {};
    const std::size_t start = text.rfind('\n', at) + 1;
    return text.substr(start, text.find('\n', at) - start);
}

TEST_F(ShaderAdvice, EachCauseGetsOneLineSayingWhatToWrite) {
    const struct {
        const char* source;
        const char* cause;  // what the line of advice says, with its place
        const char* write;  // and what it tells the author to write
    } cases[] = {
        {"uniform vec3 iResolution;\nvoid mainImage(out vec4 fragColor, in vec2 fragCoord) {\n"
         "    fragColor = vec4(fragCoord / iResolution.xy, 0.0, 1.0);\n}\n",
         "fx.js: a Shadertoy shader: the engine calls main(), not mainImage()",
         "quillshade port FILE --from shadertoy"},
        {"#version 330\nout vec4 fragColor;\nvoid main() {\n    fragColor = vec4(1.0);\n"
         "    gl_FragColor = vec4(0.5);\n}\n",
         "fx.js:2: write the colour to fragColor alone", "out vec4 fragColor;"},
        {"#version 330\nuniform sampler2D image;\nout vec4 colour;\nvoid main() {\n"
         "    colour = texture(image, gl_TexCoord[0].xy);\n}\n",
         "fx.js:5: GLSL 1.40 and later have no gl_TexCoord", "#version 330 compatibility"},
        {"#version 100\nprecision mediump float;\nuniform sampler2D image;\nvoid main() {\n"
         "    gl_FragColor = texture2D(image, vec2(0.5));\n}\n",
         "fx.js: GLSL ES does not link with the engine's desktop vertex stage",
         "delete \"#version 100\""},
        {"#version 300 es\nprecision highp float;\nout vec4 colour;\nvoid main() {\n"
         "    colour = vec4(1.0);\n}\n",
         "fx.js: GLSL ES does not link", "write \"#version 330\" instead of \"#version 300 es\""},
        {"precision mediump float;\nuniform sampler2D image;\nvarying vec2 vUv;\nvoid main() {\n"
         "    gl_FragColor = texture2D(image, vUv);\n}\n",
         "fx.js:3: the engine's vertex stage writes no vUv", "gl_TexCoord[0].xy"},
        {"#version 450\nlayout(location = 0) in vec2 inUV;\nlayout(location = 0) out vec4 "
         "colour;\nvoid main() {\n    colour = vec4(inUV, 0.0, 1.0);\n}\n",
         "fx.js:2: the engine's vertex stage writes no inUV", "gl_FragCoord.xy / resolution"},
    };
    for (const auto& example : cases) {
        const std::string shown = errorsFor(example.source);
        const std::string advice = lineWith(shown, example.cause);
        EXPECT_NE(advice, "") << example.cause << " in\n" << shown;
        EXPECT_NE(advice.find(example.write), std::string::npos) << advice;
    }
}

TEST_F(ShaderAdvice, OverloadListsGiveWayToTheErrorThatCausedThem) {
    const std::string shown = errorsFor(
        "#version 330\nuniform sampler2D image;\nout vec4 colour;\nvoid main() {\n"
        "    colour = texture(image, gl_TexCoord[0].xy);\n}\n");
    EXPECT_EQ(shown.find("candidates"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("sampler1D"), std::string::npos) << shown;
    EXPECT_NE(shown.find("fx.js:5:37: error: `gl_TexCoord' undeclared"), std::string::npos)
        << shown;
    EXPECT_NE(shown.find("no matching function for call to `texture(sampler2D, error)'\n"),
              std::string::npos)
        << shown;
    EXPECT_LT(std::count(shown.begin(), shown.end(), '\n'), 12) << shown;
}

TEST_F(ShaderAdvice, ALogLongerThanTheEngineKeepsEndsWithAWholeLine) {
    std::string source =
        "#version 330\nuniform sampler2D image;\nout vec4 colour;\nvoid main() {\n";
    for (int line = 0; line < 40; ++line)
        source += "    colour += texture(image, gl_TexCoord[0].xy);\n";
    source += "}\n";
    const auto handle = context.createShader("long", source);
    const std::string shown = authorShaderErrors();
    const std::string& error = context.getShader(handle).errorText;
    ASSERT_GT(error.size(), 3000u);
    EXPECT_EQ(error.back(), '\n') << error.substr(error.size() - 80);
    EXPECT_NE(shown.find("GLSL 1.40 and later have no gl_TexCoord"), std::string::npos) << shown;
}

}  // namespace
