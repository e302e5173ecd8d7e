#pragma once
// The shader errors as the frame shows them: like the render context's
// shaderErrors(), with each position of the GL log given as the line of the
// effect author's file ("tint.frag:7:1: error: ...") instead of the line of
// the text the engine compiled.

#include <string>

// Empty when no shader has an error.
std::string authorShaderErrors();
