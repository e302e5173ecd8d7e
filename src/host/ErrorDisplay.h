#pragma once
// Shows shader errors in the frame: the script's draw() does not run while a
// shader has an error, so the output would otherwise just be empty and the
// user would not know why.

#include <string>

class RenderTarget;

// Clears the target to opaque black and writes the text into it in white, one
// line per line of the text from the top-left corner.
void drawErrorText(RenderTarget& target, const std::string& text);
