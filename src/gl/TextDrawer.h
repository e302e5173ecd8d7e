#pragma once
// Draws text into the current framebuffer with the glyphs of a 12-pixel
// Helvetica bitmap font, one display list per character code, at the current
// raster colour and under the current matrices. Used to show error texts.
#include <cstdint>
#include <string>

class TextDrawer {
public:
    TextDrawer() = default;
    // Deletes the display lists when they were made.
    ~TextDrawer();
    TextDrawer(const TextDrawer&) = delete;
    TextDrawer& operator=(const TextDrawer&) = delete;

    // With `lines` below 2 the whole text goes on one line at (5, 4).
    // Otherwise the first line is drawn at y = 16 × lines - 12 and each further
    // line 16 pixels lower, a line being the characters before a line feed
    // (runs of line feeds end one line); drawing stops after `lines` lines,
    // and characters after the last line feed are not drawn.
    void draw(const std::string& text, std::uint32_t lines);

private:
    // Makes the 128 lists on first use; false when GL has no names to give.
    bool makeLists();

    std::uint32_t listBase = 0;
};
