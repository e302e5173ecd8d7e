// GL timer queries on the real Mesa context: each query of a set answers for
// its own pass, and names survive being deleted and made again, as for a
// context that ended.
#include <GL/glew.h>

#include <gtest/gtest.h>

#include "gl/RenderTarget.h"
#include "gl/Shader.h"
#include "gl/TimerQueries.h"
#include "support/GLTestContext.h"

namespace {

// One 64 x 64 tile, which even Mesa's software rasterizer times whole.
constexpr std::uint32_t kSide = 64;

std::string loop(int steps) {
    return "void main() {\n    float x = gl_TexCoord[0].x;\n    for (int i = 0; i < " +
           std::to_string(steps) +
           "; ++i) x = fract(x * 1.0001 + 0.37);\n    gl_FragColor = vec4(x);\n}\n";
}

TEST(TimerQueries, EachQueryTimesItsOwnPassAndNamesAreMadeAgainAfterClear) {
    GLTestContext gl;
    ASSERT_TRUE(TimerQueries::supported()) << "Mesa offers GL 3.3 timer queries";
    RenderTarget target;
    ASSERT_TRUE(target.initTarget(kSide, kSide, 8));
    Shader plain, slow;
    ASSERT_TRUE(plain.create() && plain.compile(loop(1))) << plain.errorText;
    ASSERT_TRUE(slow.create() && slow.compile(loop(4000))) << slow.errorText;
    target.bindAsTarget();

    TimerQueries queries;
    for (int round = 0; round < 2; ++round) {
        // The slow pass between two plain ones, the second query made last.
        Shader* passes[] = {&plain, &slow, &plain};
        for (std::size_t index = 0; index < 3; ++index) {
            ASSERT_TRUE(queries.begin(index));
            ASSERT_TRUE(passes[index]->bind());
            passes[index]->draw(false);
            TimerQueries::end();
        }
        glFinish();
        EXPECT_GT(queries.nanoseconds(1), queries.nanoseconds(0)) << "round " << round;
        EXPECT_GT(queries.nanoseconds(1), queries.nanoseconds(2)) << "round " << round;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "round " << round;
        queries.clear();
    }
}

}  // namespace
