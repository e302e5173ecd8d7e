#include "gl/ShaderTextBounds.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <vector>

namespace ShaderTextBounds {
namespace {

// Sizes saturate here, far beyond any bound yet far from overflowing.
constexpr std::uint64_t kSaturated = std::uint64_t{1} << 40;

std::uint64_t add(std::uint64_t a, std::uint64_t b) {
    return std::min(a + b, kSaturated);
}
std::uint64_t multiply(std::uint64_t a, std::uint64_t b) {
    return b != 0 && a > kSaturated / b ? kSaturated : std::min(a * b, kSaturated);
}

bool identifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool identifierPart(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The text with comments replaced by a space and continued lines joined, as
// the preprocessor sees it before it reads directives.
std::string withoutComments(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text.compare(at, 2, "//") == 0) {
            at = std::min(text.find('\n', at), text.size()) - 1;
            out += ' ';
        } else if (text.compare(at, 2, "/*") == 0) {
            const std::size_t end = text.find("*/", at + 2);
            at = end == std::string::npos ? text.size() : end + 1;
            out += ' ';
        } else if (text.compare(at, 2, "\\\n") == 0) {
            ++at;
        } else {
            out += text[at];
        }
    }
    return out;
}

// One macro: its body, and how often the body names its parameters (a
// function-like macro's arguments are copied that often).
struct Macro {
    std::string name;
    std::string body;
    std::uint64_t copies = 1;
    bool functionLike = false;
};

// A text's expansion as literal bytes plus weighted uses of macros.
struct Uses {
    std::uint64_t literal = 0;
    std::vector<std::pair<std::size_t, std::uint64_t>> macros;  // index, times
};

class Estimate {
public:
    explicit Estimate(const std::string& text) {
        std::string rest;
        std::size_t lineStart = 0;
        while (lineStart < text.size()) {
            std::size_t lineEnd = text.find('\n', lineStart);
            if (lineEnd == std::string::npos)
                lineEnd = text.size();
            const std::string line = text.substr(lineStart, lineEnd - lineStart);
            if (!define(line))
                rest += line + '\n';
            lineStart = lineEnd + 1;
        }
        for (const Macro& macro : macros_)
            if (macro.functionLike)
                mostCopies_ = std::max(mostCopies_, macro.copies);
        for (const Macro& macro : macros_) uses_.push_back(usesOf(macro));
        state_.assign(macros_.size(), kNew);
        sizes_.assign(macros_.size(), 0);
        main_ = usesOf(Macro{"", rest, 1, false});
    }

    std::uint64_t size() {
        std::uint64_t total = main_.literal;
        for (const auto& [index, times] : main_.macros)
            total = add(total, multiply(times, expanded(index)));
        return total;
    }

private:
    // Records a #define line; false for any other line.
    bool define(const std::string& line) {
        std::size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line[at] != '#')
            return false;
        at = line.find_first_not_of(" \t", at + 1);
        if (at == std::string::npos || line.compare(at, 6, "define") != 0)
            return false;
        at = line.find_first_not_of(" \t", at + 6);
        if (at == std::string::npos || !identifierStart(line[at]))
            return false;
        std::size_t end = at;
        while (end < line.size() && identifierPart(line[end])) ++end;
        const std::string name = line.substr(at, end - at);
        Macro macro;
        macro.name = name;
        std::vector<std::string> parameters;
        if (end < line.size() && line[end] == '(') {
            macro.functionLike = true;
            const std::size_t close = line.find(')', end);
            const std::string list =
                line.substr(end + 1, (close == std::string::npos ? line.size() : close) - end - 1);
            for (std::size_t p = 0; p < list.size();) {
                while (p < list.size() && !identifierStart(list[p])) ++p;
                std::size_t q = p;
                while (q < list.size() && identifierPart(list[q])) ++q;
                if (q > p)
                    parameters.push_back(list.substr(p, q - p));
                p = q;
            }
            end = close == std::string::npos ? line.size() : close + 1;
        }
        macro.body = line.substr(end);
        std::uint64_t named = 0;
        forEachIdentifier(macro.body, [&](const std::string& word, std::size_t) {
            named += std::count(parameters.begin(), parameters.end(), word);
        });
        macro.copies = std::max<std::uint64_t>(named, 1);
        // A name defined again may expand to either body: both count.
        const auto [found, added] = indexByName_.emplace(name, macros_.size());
        if (added) {
            macros_.push_back(macro);
        } else {
            Macro& kept = macros_[found->second];
            kept.body += ' ' + macro.body;
            kept.copies = std::max(kept.copies, macro.copies);
            kept.functionLike = kept.functionLike || macro.functionLike;
        }
        return true;
    }

    template <typename Visit>
    static void forEachIdentifier(const std::string& text, Visit visit) {
        for (std::size_t at = 0; at < text.size();) {
            if (!identifierStart(text[at]) || (at > 0 && identifierPart(text[at - 1]))) {
                ++at;
                continue;
            }
            std::size_t end = at;
            while (end < text.size() && identifierPart(text[end])) ++end;
            visit(text.substr(at, end - at), end);
            at = end;
        }
    }

    // The uses of a text: a function-like macro's parenthesised arguments
    // count as often as its body copies them, nested calls multiplying.
    Uses usesOf(const Macro& macro) const {
        Uses uses;
        const std::string& text = macro.body;
        std::vector<std::pair<int, std::uint64_t>> calls;  // depth of the call's '(', weight before
        std::uint64_t weight = 1;
        int depth = 0;
        std::uint64_t pendingCopies = 0;
        for (std::size_t at = 0; at < text.size();) {
            const char c = text[at];
            if (identifierStart(c) && (at == 0 || !identifierPart(text[at - 1]))) {
                std::size_t end = at;
                while (end < text.size() && identifierPart(text[end])) ++end;
                const auto found = indexByName_.find(text.substr(at, end - at));
                if (found == indexByName_.end()) {
                    uses.literal = add(uses.literal, multiply(weight, end - at));
                } else {
                    // Any macro may expand to a function-like one's name.
                    uses.macros.emplace_back(found->second, weight);
                    pendingCopies = mostCopies_;
                }
                at = end;
                continue;
            }
            if (c == '(') {
                ++depth;
                if (pendingCopies != 0) {
                    calls.emplace_back(depth, weight);
                    weight = multiply(weight, pendingCopies);
                }
            }
            bool closedCall = false;
            if (c == ')') {
                if (!calls.empty() && calls.back().first == depth) {
                    weight = calls.back().second;
                    calls.pop_back();
                    closedCall = true;
                }
                --depth;
            }
            // A call's expansion may itself end in a function-like name.
            if (closedCall)
                pendingCopies = mostCopies_;
            else if (!std::isspace(static_cast<unsigned char>(c)))
                pendingCopies = 0;
            uses.literal = add(uses.literal, weight);
            ++at;
        }
        return uses;
    }

    // A macro's expanded size, found depth first without recursion; a macro
    // named inside its own expansion stays its name, as the preprocessor
    // leaves it.
    std::uint64_t expanded(std::size_t root) {
        std::vector<std::size_t> stack{root};
        while (!stack.empty()) {
            const std::size_t index = stack.back();
            if (state_[index] == kDone) {
                stack.pop_back();
                continue;
            }
            if (state_[index] == kNew) {
                state_[index] = kOpen;
                for (const auto& [used, times] : uses_[index].macros)
                    if (state_[used] == kNew)
                        stack.push_back(used);
                continue;
            }
            std::uint64_t total = uses_[index].literal;
            for (const auto& [used, times] : uses_[index].macros) {
                const std::uint64_t size =
                    state_[used] == kDone ? sizes_[used] : macros_[used].name.size();
                total = add(total, multiply(times, size));
            }
            sizes_[index] = total;
            state_[index] = kDone;
            stack.pop_back();
        }
        return sizes_[root];
    }

    enum State { kNew, kOpen, kDone };
    std::map<std::string, std::size_t> indexByName_;
    std::vector<Macro> macros_;
    std::vector<Uses> uses_;
    std::vector<State> state_;
    std::vector<std::uint64_t> sizes_;
    std::uint64_t mostCopies_ = 1;
    Uses main_;
};

}  // namespace

std::string problem(const std::string& text) {
    if (text.size() > kMaximumText) {
        return "the shader is " + std::to_string(text.size()) +
               " bytes long; the engine compiles " + std::to_string(kMaximumText) + " at most";
    }
    const std::string plain = withoutComments(text);
    if (plain.find("##") != std::string::npos)
        return "token pasting (##) is not part of this GLSL dialect";
    const std::uint64_t expanded = Estimate(plain).size();
    if (expanded > kMaximumExpansion) {
        return "the shader's macros expand it to " +
               (expanded >= kSaturated ? std::string("more than a terabyte")
                                       : std::to_string(expanded) + " bytes") +
               "; the engine compiles " + std::to_string(kMaximumExpansion) + " at most";
    }
    return {};
}

}  // namespace ShaderTextBounds
