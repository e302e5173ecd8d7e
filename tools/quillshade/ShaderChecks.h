#pragma once
// What check finds in shaders beyond the compiler's log: uniforms whose
// values never reach the shader, and the plain cause of a compile failure
// that the engine's own rewriting brings about.

#include <set>
#include <string>
#include <vector>

class Shader;

// Problems with the uniforms of a shader that compiled and linked, one text
// each, starting with "`file`:line: ": uniforms of a type the engine cannot
// set, uniforms named like an effect parameter whose kind the engine sets
// through another type, and texture-size uniforms that no sampler's unit
// fills. Runs GL queries: the GL context must be current.
std::vector<std::string> uniformProblems(const Shader& shader, const std::string& file);

// Sets of names the shader has no uniform of, which the engine lets pass (the
// value goes nowhere), as the engine noted them: one text each, at its fx.js
// line. Scripts often set one group of values on several shaders, each using
// some, so only the likely mistakes count: a name no shader of the effect
// has (`effectUniforms`), or one a letter or two from a uniform of this shader
// that the script never sets (the usual misspelling), which the text names.
// A name the shader declares but does not use (the compiler dropped it) is
// left out. `script` is fx.js.
std::vector<std::string> unknownUniformSets(const Shader& shader, const std::string& file,
                                            const std::string& script,
                                            const std::set<std::string>& effectUniforms);

// Uniforms of a shader the script drew that it never set, so they keep 0 (a
// sampler reads no texture): one text each, starting with
// "`file`:line: ". Uniforms the engine fills itself, and those it cannot set
// (uniformProblems reports them), are left out.
std::vector<std::string> unsetUniforms(const Shader& shader, const std::string& file);

// For a shader that does not compile: an explanation when the engine's
// rewriting renamed a `main(` inside a comment rather than the real main(),
// indented like the log; empty otherwise.
std::string mainInCommentHint(const std::string& source, const std::string& file);
