#pragma once
// What a script asked of one shader's uniforms, kept for the tools that check
// an effect: whether the shader was drawn, the uniforms the script set, and
// names it set that the program has no uniform of, a misspelling's usual
// sign, which the engine itself lets pass (the set returns true and the value
// goes nowhere). The host never reads it; the cost is a set insertion per
// uniform the script sets.
#include <cstddef>
#include <map>
#include <set>
#include <string>

class UniformUse {
public:
    // Names without a uniform kept, each with the line of its first set:
    // a script that sets names in a loop cannot grow this without end.
    static constexpr std::size_t kUnknownNamesKept = 32;

    void drawn() { drawn_ = true; }
    void set(const std::string& uniform) { set_.insert(uniform); }
    // Whether `name` still has room to be kept, so that a caller computes
    // the line only when it will be stored.
    bool keeps(const std::string& name) const {
        return unknown_.size() < kUnknownNamesKept && unknown_.count(name) == 0;
    }
    // `line` is the line of the evaluated script text that made the call.
    void setUnknown(const std::string& name, int line) { unknown_.emplace(name, line); }
    // A new program has new uniforms.
    void clear() { *this = UniformUse(); }

    bool wasDrawn() const { return drawn_; }
    const std::set<std::string>& setUniforms() const { return set_; }
    const std::map<std::string, int>& unknownNames() const { return unknown_; }

private:
    bool drawn_ = false;
    std::set<std::string> set_;
    std::map<std::string, int> unknown_;
};
