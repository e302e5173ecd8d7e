#pragma once
// Textual adaptation of an effect author's fragment shader to the engine's
// textures, which hold texels in the host's channel order (alpha, red, green,
// blue in r, g, b, a). Every texture read is routed through a wrapper that
// reorders the channels to red, green, blue, alpha, the author's `main` is
// wrapped so that the final colour goes back to the host's order, and cube-map
// lookups become reads of a latitude-longitude 2D texture.

#include <string>

// The first source string of every shader the engine compiles; the wrappers
// rely on `SWIZZLE`, and `QUILL` lets effect code know which engine runs it.
inline constexpr char kShaderPrelude[] = "#define SWIZZLE gbar\n#define QUILL 1\n";

// Rewrites `text` byte by byte, without parsing GLSL: comments and preprocessor
// lines are treated like code. Never fails; a text made invalid fails later,
// when it is compiled.
std::string rewriteFragmentSource(const std::string& text);
