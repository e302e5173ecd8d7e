#include "host/ErrorDisplay.h"

#include <GL/glew.h>

#include <algorithm>

#include "gl/RenderTarget.h"
#include "gl/TextDrawer.h"

namespace {

// The number of lines, counting a run of line feeds once, as the text drawer does.
std::uint32_t lineCount(const std::string& text) {
    std::uint32_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\n'))
            ++lines;
    }
    return lines;
}

}  // namespace

void drawErrorText(RenderTarget& target, const std::string& text) {
    if (target.texture == 0 || target.framebuffer == 0)
        return;
    // The glyph lists belong to the one GL context of the process.
    static TextDrawer drawer;
    target.bindAsTarget();
    glUseProgram(0);
    // Render targets hold the host's order, alpha first: (1, 0, 0, 0) is
    // opaque black and white stays white.
    glClearColor(1, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    // Raster positions in pixels with y up; the read-back turns the frame
    // upright, so the first line lands at the top of the host's image.
    glOrtho(0, target.width, 0, target.height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    const std::uint32_t lines = lineCount(text);
    // The drawer lays lines out downwards from y = 16 n + 4 (one line at 4):
    // move them so that the first line sits at the top edge. When they do not
    // all fit, the first lines, which name the shader, stay visible.
    const GLint top = 16 * static_cast<GLint>(std::max(lines, 1u)) + 4;
    glTranslatef(0, static_cast<GLfloat>(static_cast<GLint>(target.height) - top), 0);
    drawer.draw(text, lines);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
