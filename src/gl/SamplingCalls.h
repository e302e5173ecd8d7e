#pragma once
// The texel reads and the colour output of fragment shaders written for GLSL
// 1.30 and later (or GLSL ES 3.00 and later), adapted to the host's channel
// order like the older dialect's `texture2D` (see FragmentRewriter.h).
//
// Unlike the older names, which have one signature each, these builtins
// take every kind of sampler: a wrapper per signature would name sampler
// types that some dialects lack. So each call is wrapped as a whole,
// `texture(s, uv)` becoming `repl_texel(texture(s, uv))`, and the compiler
// picks the overload of `repl_texel` by the type the call returns: texels
// (`vec4`, `ivec4`, `uvec4`) are reordered, shadow comparisons (`float`)
// pass unchanged. A gather returns one channel of four texels, so reordering
// its result would mix up the texels; it asks for the host's channel
// instead, its component argument moved along by one. A shadow gather
// compares depths and is left alone.
//
// Calls in comments are left alone, since the closing parenthesis of one
// there may lie anywhere, and so is a name the shader declares itself
// (a function, a variable or a macro of that name).

#include <string>

// The one-line overloads of `repl_texel`, which need the prelude's SWIZZLE.
extern const char kTexelWrappers[];

// Wraps the sampling calls in `text`; true when any call was wrapped, which
// then needs kTexelWrappers in front.
bool rewriteSamplingCalls(std::string& text);

// The name of the `out vec4` variable the shader declares for its colour,
// outside comments; empty when it writes gl_FragColor instead.
std::string fragmentOutputName(const std::string& text);
