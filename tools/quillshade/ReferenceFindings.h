#pragma once
// check's second opinion on a shader that compiles here: the text the engine
// hands the driver (the author's shader after rewriting, with the engine's
// prelude and wrappers) compiled by the Khronos reference front end, since
// other vendors' compilers hold shaders closer to the language than Mesa
// does. Besides what the reference rejects, names that the core profiles
// (GLSL 1.50 and later without `compatibility`) dropped are reported, which
// the reference lets pass and strict drivers refuse: texture2D and the other
// sampling calls named after their sampler, gl_FragColor, gl_FragData and
// gl_TexCoord.

#include <string>
#include <vector>

// One warning text each, "warning: `file`:line: may fail on some GPUs: ...",
// with the author's line (or "in the engine's wrapping code") and what to
// write instead where the cause is a common one. `authorText` is the
// shader's file as the author wrote it.
std::vector<std::string> referenceFindings(const std::string& authorText, const std::string& file);
