// Shader programs on the real Mesa context: effect shaders rendered into
// render targets and read back, as the script's draw() does it.
#include <GL/glew.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "entities/Context.h"
#include "gl/RenderTarget.h"
#include "gl/Shader.h"
#include "support/Files.h"
#include "support/GLTestContext.h"
#include "support/ReadBack.h"

namespace {

class ShaderTest : public ::testing::Test {
protected:
    void SetUp() override { context.initialise(); }
    void TearDown() override { context.reset(); }

    Shader& shader(const std::string& source) {
        return context.getShader(context.createShader("effect", source));
    }
    RenderTarget& target(std::uint32_t width, std::uint32_t height, std::uint32_t depth) {
        return context.getRenderTarget(context.createRenderTarget(width, height, depth));
    }
    Texture& texture(std::uint32_t width, std::uint32_t height, const void* hostPixels) {
        Texture& made = context.getTexture(context.createTexture(width, height, 8));
        made.upload(hostPixels, width, height, 8, std::uint64_t{width} * 4, true, false);
        made.setParameter(GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        made.setParameter(GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        return made;
    }
    static void render(Shader& program, RenderTarget& into, bool flip = false) {
        into.bindAsTarget();
        ASSERT_TRUE(program.bind()) << program.errorText;
        program.draw(flip);
    }

    GLTestContext gl;
    Context& context = Context::instance();
};

const char kSampleImage[] =
    "uniform sampler2D image;\n"
    "void main() { gl_FragColor = texture2D(image, gl_TexCoord[0].xy); }\n";

TEST_F(ShaderTest, FailuresLeaveTheirTextAndMakeTheShaderUnusable) {
    Shader& broken = shader("void main() { gl_FragColor = vec4(1.0) }\n");
    const std::string compileFailure = "Shader compilation failed:\n";
    EXPECT_EQ(broken.errorText.compare(0, compileFailure.size(), compileFailure), 0);
    EXPECT_GT(broken.errorText.size(), compileFailure.size()) << "the log follows";
    GLint linked = GL_TRUE;
    glGetProgramiv(broken.program, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_FALSE);
    EXPECT_FALSE(broken.bind());

    Shader& unlinked = shader("vec4 shade();\nvoid main() { gl_FragColor = shade(); }\n");
    EXPECT_EQ(unlinked.errorText.rfind("Program linking failed:\n", 0), 0u) << unlinked.errorText;

    // A good source makes a failed shader usable, and it survives a rebuild.
    EXPECT_TRUE(broken.compile(kSampleImage));
    EXPECT_TRUE(broken.reload(true));
    EXPECT_TRUE(broken.bind());
}

// Texts that crashed Mesa's compiler (a long chain of statements overflowed
// its stack) or exhausted memory in its preprocessor (macros doubling 40
// times) are refused before the driver sees them, as shader errors.
TEST_F(ShaderTest, TextsThatWouldCrashTheCompilerAreRefusedBeforeIt) {
    const auto refusal = [&](const std::string& source) {
        Shader& refused = shader(source);
        EXPECT_FALSE(refused.bind()) << source.substr(0, 200);
        return refused.errorText;
    };
    std::string chain = "void main() {\n    float x = 0.0;\n";
    for (int i = 0; i < 10000; ++i) chain += "    x = sin(x + " + std::to_string(i) + ".0);\n";
    EXPECT_NE(refusal(chain + "    gl_FragColor = vec4(x);\n}\n").find("bytes long"),
              std::string::npos);

    std::string doubling = "#define A0 1.0\n";
    for (int i = 1; i <= 40; ++i)
        doubling += "#define A" + std::to_string(i) + " A" + std::to_string(i - 1) + "+A" +
                    std::to_string(i - 1) + "\n";
    EXPECT_NE(refusal(doubling + "void main() { gl_FragColor = vec4(A40); }\n")
                  .find("macros expand it to more than a terabyte"),
              std::string::npos);
    // Arguments copied eight times at each of ten nested calls, a call made
    // through another macro's name, and pasting that could name any macro.
    const std::string copies = "#define D(x) x x x x x x x x\n#define E D\n";
    EXPECT_NE(refusal(copies + "float f = D(D(D(D(D(D(D(D(D(D(1.0))))))))));").find("macros"),
              std::string::npos);
    EXPECT_NE(refusal(copies + "float f = E(E(E(E(E(E(E(1.0)))))));").find("macros"),
              std::string::npos);
    EXPECT_NE(refusal("#define P(a, b) a ## b\nvoid main() {}\n").find("##"), std::string::npos);

    // Macros as effects use them, and the same words in comments, compile.
    Shader& ordinary = shader(
        "// a ## b, /* A40 */\n#define TAPS 9\n#define SQ(v) ((v) * (v))\n"
        "uniform float k;\n"
        "void main() { gl_FragColor = vec4(SQ(SQ(k)) / float(TAPS)); }\n");
    EXPECT_TRUE(ordinary.bind()) << ordinary.errorText;
}

// The rewriting corpus, as the engine compiles it: rewritten, after the
// prelude. mip_glow.frag is left out: GLSL 1.10 fragment shaders have no
// texture2DLod on Mesa, so its wrapper cannot compile there.
TEST_F(ShaderTest, RewrittenCorpusShadersCompile) {
    for (const char* name :
         {"gaussian_blur.frag", "emboss.frag", "colour_grade.frag", "cube_reflection.frag"}) {
        const std::string source =
            readFile(QS_TEST_SOURCE_DIR "/tests/gl/shaders/" + std::string(name));
        ASSERT_FALSE(source.empty()) << name;
        EXPECT_EQ(shader(source).errorText, "") << name;
    }
}

TEST_F(ShaderTest, SamplersTakeUnitsInRecordOrderWithTheirSizes) {
    const std::vector<std::uint8_t> zeros(7 * 5 * 4, 0);
    Texture& narrow = texture(3, 5, zeros.data());
    Texture& wide = texture(7, 2, zeros.data());
    // The textures sample as 0, so the output is exactly the two size uniforms.
    Shader& program = shader(
        "uniform vec4 Texture0Params;\nuniform vec4 s_Texture1Params;\n"
        "uniform sampler2D first;\nuniform sampler2D second;\n"
        "void main() { vec2 uv = gl_TexCoord[0].xy;\n"
        "  gl_FragColor = vec4(Texture0Params.xy, s_Texture1Params.xy)\n"
        "      + texture2D(first, uv) + texture2D(second, uv); }\n");
    ASSERT_EQ(program.errorText, "");
    program.uniform("first").setIntValue(static_cast<std::int32_t>(narrow.texture));
    program.uniform("second").setIntValue(static_cast<std::int32_t>(wide.texture));
    EXPECT_EQ(program.uniform("s_Texture1Params").flags, static_cast<std::uint32_t>(ParamHidden));
    EXPECT_EQ(program.uniform("Texture0Params").flags, 0u);

    const bool firstListedFirst = program.findUniform("first") < program.findUniform("second");
    const Texture& unit0 = firstListedFirst ? narrow : wide;
    const Texture& unit1 = firstListedFirst ? wide : narrow;
    RenderTarget& output = target(1, 1, 32);
    render(program, output);
    GLint unit = -1;
    glGetUniformiv(program.program, program.uniform(firstListedFirst ? "second" : "first").location,
                   &unit);
    EXPECT_EQ(unit, 1);
    // Host order: alpha first, so (unit 1 height, unit 0 width, unit 0 height, unit 1 width).
    EXPECT_EQ(readBack<float>(output),
              (std::vector<float>{float(unit1.height), float(unit0.width), float(unit0.height),
                                  float(unit1.width)}));
    GLfloat params[4] = {};
    glGetUniformfv(program.program, program.uniformLocation("s_Texture1Params"), params);
    EXPECT_FLOAT_EQ(params[2], 1.0f / float(unit1.width));
    EXPECT_FLOAT_EQ(params[3], 1.0f / float(unit1.height));
}

TEST_F(ShaderTest, UniformKindsFollowTheirTypesAndTheEffectsParameterNames) {
    context.createParameter("spin", QS_Type::ANGLE, "");
    Shader& program = shader(
        "uniform float weights[4];\nuniform vec4 colour;\nuniform float spin;\n"
        "uniform float time;\nuniform float timeScale;\nuniform vec3 point;\n"
        "uniform int choice;\nuniform bool on;\nuniform mat2 turn;\n"
        "void main() { gl_FragColor = colour + vec4(weights[0] + weights[1] + weights[2]\n"
        "  + weights[3] + time + timeScale + point.x + float(choice) + turn[0][0], spin,\n"
        "  on ? 1.0 : 0.0, 0.0); }\n");
    ASSERT_EQ(program.errorText, "");
    std::vector<std::uint32_t> kinds;
    for (const char* name : {"weights[0]", "spin", "colour", "point", "choice", "on", "turn"})
        kinds.push_back(program.uniform(name).kind);
    EXPECT_EQ(kinds, (std::vector<std::uint32_t>{0, 12, 3, 2, 9, 8, 0}));
    EXPECT_EQ(program.uniform("weights[0]").arraySize, 4u);
    EXPECT_EQ(program.uniform("time").flags, static_cast<std::uint32_t>(ParamHidden));
    EXPECT_EQ(program.uniform("timeScale").flags, 0u);
    EXPECT_EQ(program.findUniform("absent"), -1);
    EXPECT_EQ(program.uniformLocation("absent"), -1);
    EXPECT_EQ(program.locationCache.count("absent"), 1u) << "misses are cached too";

    // The array's record value is never sent; the rest of the shader renders.
    Parameter& unset = program.uniform("weights[0]");
    std::fill(std::begin(unset.value), std::end(unset.value), 100.0f);
    const float colour[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    std::memcpy(program.uniform("colour").value, colour, sizeof colour);
    program.uniform("spin").value[0] = 0.125f;
    program.uniform("on").setIntValue(1);
    RenderTarget& output = target(1, 1, 32);
    render(program, output);
    EXPECT_EQ(readBack<float>(output), (std::vector<float>{1.0f, 0.25f, 0.625f, 1.75f}));
}

}  // namespace
