#include "gl/TextDrawer.h"

#include <GL/glew.h>

#include <algorithm>
#include <climits>

namespace {

// freeglut's record of a bitmap font. Characters[c] is the glyph of code c: its
// width in pixels, then `height` rows from the bottom up, each (width + 7) / 8
// bytes, most significant bit first. The public font handle on this platform
// is not the record, and freeglut draws glyphs only after glutInit has opened
// a display, so the glyph data is read from the record itself.
struct GlutBitmapFont {
    const char* name;
    int quantity;
    int height;
    const GLubyte** characters;
    float xorig;
    float yorig;
};

constexpr GLsizei kListCount = 128;
constexpr GLint kLineHeight = 16;
constexpr GLint kLeft = 5;
constexpr GLint kBottom = 4;

}  // namespace

extern "C" GlutBitmapFont fgFontHelvetica12;

TextDrawer::~TextDrawer() {
    if (listBase != 0)
        glDeleteLists(listBase, kListCount);
}

bool TextDrawer::makeLists() {
    listBase = glGenLists(kListCount);
    if (listBase == 0)
        return false;
    const GlutBitmapFont& font = fgFontHelvetica12;
    // Pixel-store commands run at once, not into the lists: the glyph bytes are
    // unpacked as tightly packed MSB-first rows while the lists are compiled,
    // and the caller's unpack state comes back afterwards.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Control codes have no glyph; their lists stay undefined, which GL skips.
    for (GLsizei code = ' '; code < std::min(kListCount, font.quantity); ++code) {
        const GLubyte* glyph = font.characters[code];
        glNewList(listBase + static_cast<GLuint>(code), GL_COMPILE);
        glBitmap(glyph[0], font.height, font.xorig, font.yorig, glyph[0], 0, glyph + 1);
        glEndList();
    }
    glPopClientAttrib();
    return true;
}

void TextDrawer::draw(const std::string& text, std::uint32_t lines) {
    if (listBase == 0 && !makeLists())
        return;
    glListBase(listBase);
    if (lines < 2) {
        glRasterPos2i(kLeft, kBottom);
        glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
        return;
    }
    std::int64_t y = std::int64_t{kLineHeight} * lines + kBottom;
    std::size_t start = 0;
    for (std::uint32_t line = 0; line < lines; ++line) {
        const std::size_t feed = text.find('\n', start);
        if (feed == std::string::npos)
            break;
        y -= kLineHeight;
        glRasterPos2i(kLeft, static_cast<GLint>(std::min<std::int64_t>(y, INT_MAX)));
        glCallLists(static_cast<GLsizei>(feed - start), GL_UNSIGNED_BYTE, text.data() + start);
        start = text.find_first_not_of('\n', feed);
        if (start == std::string::npos)
            break;
    }
}
