#pragma once
// Bounds on a fragment shader's text, checked before the driver sees it: a
// long enough text overflows the stack of Mesa's compiler, and a few lines of
// macros that each use the previous one twice expand to gigabytes inside the
// driver's preprocessor. No effect's shader comes near either bound.
//
// The expansion is estimated from the #define lines alone, without
// preprocessing: every macro is taken to expand wherever its name appears
// (conditional blocks, #undef and comments included), and the arguments of a
// function-like macro as often as its body names its parameters. The
// estimate never falls below what the preprocessor makes. Token pasting
// (##), which this dialect lacks and which could name any macro, is refused.

#include <cstddef>
#include <string>

namespace ShaderTextBounds {

// The longest text compiled, in bytes.
constexpr std::size_t kMaximumText = 64 * 1024;
// The longest text the macros may expand it to, in bytes.
constexpr std::size_t kMaximumExpansion = 256 * 1024;

// What makes the text exceed a bound, as a line of the shader's error
// report; empty when it is within both.
std::string problem(const std::string& text);

}  // namespace ShaderTextBounds
