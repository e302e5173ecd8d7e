#include <GL/glew.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "gl/FragmentRewriter.h"
#include "support/GLTestContext.h"

namespace {

std::string readShader(const std::string& name) {
    std::ifstream in(std::string(QS_TEST_SOURCE_DIR) + "/tests/gl/shaders/" + name,
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Compiles the prelude and `text` as the engine does: two source strings, zero
// terminated. Returns the info log when compilation fails, else nothing.
::testing::AssertionResult compilesAsFragmentShader(const std::string& text) {
    const GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
    const char* sources[2] = {kShaderPrelude, text.c_str()};
    glShaderSource(shader, 2, sources, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    char log[4096] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    glDeleteShader(shader);
    if (status == GL_TRUE) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << log;
}

// mip_glow.frag is left out: GLSL 1.10 fragment shaders have no texture2DLod
// on Mesa, so its wrapper cannot compile there.
TEST(FragmentRewriterGL, RewrittenCorpusShadersCompileAfterThePrelude) {
    GLTestContext gl;
    for (const char* name :
         {"gaussian_blur.frag", "emboss.frag", "colour_grade.frag", "cube_reflection.frag"}) {
        const std::string source = readShader(name);
        ASSERT_FALSE(source.empty()) << name;
        EXPECT_TRUE(compilesAsFragmentShader(rewriteFragmentSource(source))) << name;
    }
}

}  // namespace
