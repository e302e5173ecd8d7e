#pragma once
// What check finds in shaders beyond the compiler's log: uniforms whose
// values never reach the shader, and the plain cause of a compile failure
// that the engine's own rewriting brings about.

#include <string>
#include <vector>

class Shader;

// Problems with the uniforms of a shader that compiled and linked, one text
// each, starting with "`file`:line: ": uniforms of a type the engine cannot
// set, uniforms named like an effect parameter whose kind the engine sets
// through another type, and texture-size uniforms that no sampler's unit
// fills. Runs GL queries: the GL context must be current.
std::vector<std::string> uniformProblems(const Shader& shader, const std::string& file);

// For a shader that does not compile: an explanation when the engine's
// rewriting renamed a `main(` inside a comment rather than the real main(),
// indented like the log; empty otherwise.
std::string mainInCommentHint(const std::string& source, const std::string& file);
