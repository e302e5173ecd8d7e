#pragma once
// Textual adaptation of an effect author's fragment shader to the engine's
// textures, which hold texels in the host's channel order (alpha, red, green,
// blue in r, g, b, a). Every texture read is routed through a wrapper that
// reorders the channels to red, green, blue, alpha, the author's `main` is
// wrapped so that the final colour goes back to the host's order, and cube-map
// lookups become reads of a latitude-longitude 2D texture.
//
// The engine's own dialect is GLSL 1.10, where only `texture2D`,
// `texture2DLod` and `textureCube` are reordered and effects add `.SWIZZLE`
// to other reads themselves. Shaders ported from elsewhere name a later
// dialect, whose authors know nothing of the host's order: there every read
// of the later builtins (`texture`, `texelFetch`, `textureGather`, ...) is
// reordered too, and an `out vec4` colour goes back like gl_FragColor (see
// SamplingCalls.h). GLSL 1.10 and 1.20 shaders are rewritten as before, byte
// for byte, since in them these names can only be the author's own.

#include <string>

// The first source string of every shader the engine compiles; the wrappers
// rely on `SWIZZLE`, and `QUILL` lets effect code know which engine runs it.
inline constexpr char kShaderPrelude[] = "#define SWIZZLE gbar\n#define QUILL 1\n";

// The first bytes of the entry point the rewriting appends, on a line of its own.
inline constexpr char kEntryPointStart[] = "\nvoid main() { repl_main(); ";

// Rewrites `text` byte by byte, without parsing GLSL: comments and preprocessor
// lines are treated like code. `version` and `es` are the dialect its
// `#version` line names (110 without one). Never fails; a text made invalid
// fails later, when it is compiled.
std::string rewriteFragmentSource(const std::string& text, int version = 110, bool es = false);
