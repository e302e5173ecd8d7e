#pragma once
// The source strings GL compiles for an effect author's fragment shader, and
// the way back from GL's line numbers to the author's.
//
// Ordinarily these are the prelude and the rewritten text. Two kinds of
// shaders ported from elsewhere cannot work that way and get more:
// - `#version` and `#extension` lines must come before anything else, so
//   when the author's text starts with them (after comments or blank lines
//   only), those lines go first, as a string of their own, and the rest is
//   rewritten behind the prelude, for the dialect the `#version` line names.
// - Precision qualifiers from GLSL ES (`highp float x;`, `precision mediump
//   float;`) are words of desktop GLSL only from 1.30 on; for older dialects
//   a string of defines after the prelude takes them away.
// Every other shader gets exactly the prelude and the rewritten text.

#include <string>
#include <vector>

class FragmentAssembly {
public:
    explicit FragmentAssembly(const std::string& authorText);

    // In the order glShaderSource takes them.
    const std::vector<std::string>& strings() const { return strings_; }
    // All strings joined: the text GL compiles.
    std::string text() const;
    // The author's line for a line of the compiled text, both counted from
    // 1; 0 for the engine's own lines (prelude, defines, wrappers, main).
    int authorLine(int compiledLine) const;
    // A GL info log with each position ("0:7(12): ..." or "0(7) : ...")
    // given as `file`:line[:column] of the author's text, or as `file` "(in
    // the engine's wrapping code)"; other lines are kept, except the
    // overload lists after "no matching function", and a line of advice
    // follows for each cause that ShaderLogAdvice knows. Lines are joined by
    // line feeds, with none at the end; empty lines are dropped.
    std::string authorLog(const std::string& log, const std::string& file) const;

private:
    std::string authorText_;
    int version_ = 110;
    bool es_ = false;
    std::vector<std::string> strings_;
    // Author lines 1..headLines come first in the compiled text; the body's
    // first line (author line headLines + 1) is compiled line bodyStart.
    int headLines_ = 0;
    int bodyStart_ = 1;
    int bodyLines_ = 0;
};
