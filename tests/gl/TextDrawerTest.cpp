// Text drawn with the Helvetica 12 glyphs into a render target on the real
// Mesa context: where lines land, how far the pen moves, and that glyphs come
// out whole whatever unpack state the caller left.
#include <GL/glew.h>

#include <vector>

#include <gtest/gtest.h>

#include "gl/RenderTarget.h"
#include "gl/TextDrawer.h"
#include "support/GLTestContext.h"

namespace {

class TextDrawerTest : public ::testing::Test {
protected:
    // Draws into a cleared 8-bit target in pixel coordinates, records the lit
    // columns and rows, and returns the pen's final x.
    int draw(const std::string& text, std::uint32_t lines, int width, int height) {
        EXPECT_TRUE(target.initTarget(width, height, 8));
        target.bindAsTarget();
        glLoadIdentity();
        glOrtho(0, width, 0, height, -1, 1);
        drawer.draw(text, lines);
        GLfloat pen[4] = {};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, pen);
        const std::uint8_t* pixels = target.readPixels();
        litColumns.assign(width, false);
        litRows.assign(height, false);
        for (int i = 0; i < width * height; ++i)
            if (pixels[i * 4] != 0)
                litColumns[i % width] = litRows[i / width] = true;
        RenderTarget::releasePixels();
        return static_cast<int>(pen[0]);
    }

    GLTestContext gl;
    TextDrawer drawer;
    RenderTarget target;
    std::vector<bool> litColumns, litRows;
};

TEST_F(TextDrawerTest, OneLineIsLegibleWhateverTheUnpackState) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_TRUE);
    EXPECT_EQ(draw("Hello", 1, 64, 24), 5 + 9 + 7 + 3 + 3 + 7);  // the glyphs' advances
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);

    // H's stem is one pixel right of x 5; capitals stand 9 pixels tall on the
    // baseline at y 4; nothing in "Hello" descends; five separate letters.
    EXPECT_FALSE(litColumns[5]);
    EXPECT_TRUE(litColumns[6]);
    for (int y = 0; y < 24; ++y) EXPECT_EQ(litRows[y], y >= 4 && y < 13) << "row " << y;
    int letters = 0;
    for (std::size_t x = 1; x < litColumns.size(); ++x)
        letters += litColumns[x] && !litColumns[x - 1];
    EXPECT_EQ(letters, 5);
}

TEST_F(TextDrawerTest, LinesStepDownAndAnUnfinishedLastLineIsNotDrawn) {
    // Up to four lines from baseline 52 down; a run of line feeds ends one
    // line, and no line feed follows "EF".
    draw("AB\n\nCD\nEF", 4, 48, 80);
    for (int y = 0; y < 80; ++y)
        EXPECT_EQ(litRows[y], (y >= 52 && y < 61) || (y >= 36 && y < 45)) << "row " << y;
    // Below two lines all goes at (5, 4), line feeds drawing nothing.
    EXPECT_EQ(draw("A\nB", 0, 48, 24), 5 + 9 + 8);
}

}  // namespace
