#include "gl/SamplingCalls.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>
#include <vector>

// Precision qualifiers, which desktop GLSL accepts from 1.30 on, because
// GLSL ES has no default float precision in fragment shaders.
const char kTexelWrappers[] =
    "highp vec4 repl_texel(highp vec4 c) { return c.SWIZZLE; } "
    "highp ivec4 repl_texel(highp ivec4 c) { return c.SWIZZLE; } "
    "highp uvec4 repl_texel(highp uvec4 c) { return c.SWIZZLE; } "
    "highp float repl_texel(highp float c) { return c; }\n";

namespace {

// The builtins that return a texel, or a shadow comparison.
constexpr std::string_view kTexelReads[] = {
    "texture",         "textureProj",          "textureLod",        "textureOffset",
    "texelFetch",      "texelFetchOffset",     "textureProjOffset", "textureLodOffset",
    "textureProjLod",  "textureProjLodOffset", "textureGrad",       "textureGradOffset",
    "textureProjGrad", "textureProjGradOffset"};

// The gathers, with the number of arguments they take without a component.
struct Gather {
    std::string_view name;
    std::size_t arguments;
};
constexpr Gather kGathers[] = {
    {"textureGather", 2}, {"textureGatherOffset", 3}, {"textureGatherOffsets", 3}};

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool isWhitespace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The text as the scans see it: comments blanked to spaces, every other byte
// where it was, so positions carry over to the original.
std::string withoutComments(std::string_view text) {
    std::string code(text);
    for (std::size_t at = 0; at < code.size();) {
        std::size_t end = at + 1;
        if (code.compare(at, 2, "//") == 0)
            end = std::min(code.find('\n', at), code.size());
        else if (code.compare(at, 2, "/*") == 0)
            end = std::min(code.find("*/", at + 2), code.size() - 2) + 2;
        else {
            ++at;
            continue;
        }
        std::fill(code.begin() + static_cast<std::ptrdiff_t>(at),
                  code.begin() + static_cast<std::ptrdiff_t>(end), ' ');
        at = end;
    }
    return code;
}

struct Word {
    std::size_t start;
    std::string_view text;
};

// Every identifier or number of the code, in order.
std::vector<Word> wordsOf(std::string_view code) {
    std::vector<Word> words;
    for (std::size_t at = 0; at < code.size();) {
        if (!isWordChar(code[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < code.size() && isWordChar(code[end])) ++end;
        words.push_back({at, code.substr(at, end - at)});
        at = end;
    }
    return words;
}

std::size_t skipWhitespace(std::string_view code, std::size_t at) {
    while (at < code.size() && isWhitespace(code[at])) ++at;
    return at;
}

// Whether only whitespace separates words[i - 1] from words[i].
bool followsWord(std::string_view code, const std::vector<Word>& words, std::size_t i) {
    return i > 0 &&
           skipWhitespace(code, words[i - 1].start + words[i - 1].text.size()) == words[i].start;
}

// Whether words[i] is declared there: it follows a type (`vec4 texture(`,
// `sampler2D texture;`) or names a macro (`#define texture`). A word before
// it that is `return`, or a macro's own name, makes it a use.
bool isDeclaration(std::string_view code, const std::vector<Word>& words, std::size_t i) {
    if (!followsWord(code, words, i))
        return false;
    const std::string_view before = words[i - 1].text;
    if (before == "return" || before == "else")
        return false;
    return before == "define" || !followsWord(code, words, i - 1) || words[i - 2].text != "define";
}

// The argument boundaries of the call whose parenthesis opens at `open`:
// the positions of `(`, each top-level `,`, and the matching `)`; empty when
// the parenthesis never closes.
std::vector<std::size_t> argumentBounds(std::string_view code, std::size_t open) {
    std::vector<std::size_t> bounds{open};
    int depth = 0;
    for (std::size_t at = open; at < code.size(); ++at) {
        const char c = code[at];
        if (c == '(' || c == '[') {
            ++depth;
        } else if (c == ')' || c == ']') {
            if (--depth == 0) {
                bounds.push_back(at);
                return bounds;
            }
        } else if (c == ',' && depth == 1) {
            bounds.push_back(at);
        }
    }
    return {};
}

// Whether `name` is declared as a shadow sampler (`sampler2DShadow name`).
bool isShadowSampler(std::string_view code, const std::vector<Word>& words, std::string_view name) {
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string_view type = words[i - 1].text;
        if (words[i].text == name && followsWord(code, words, i) &&
            type.find("sampler") != std::string_view::npos &&
            type.find("Shadow") != std::string_view::npos)
            return true;
    }
    return false;
}

struct Insertion {
    std::size_t at;
    std::string text;
};

}  // namespace

bool rewriteSamplingCalls(std::string& text) {
    const std::string code = withoutComments(text);
    const std::vector<Word> words = wordsOf(code);
    auto isTexelRead = [](std::string_view word) {
        return std::find(std::begin(kTexelReads), std::end(kTexelReads), word) !=
               std::end(kTexelReads);
    };
    auto gatherOf = [](std::string_view word) -> const Gather* {
        for (const Gather& gather : kGathers)
            if (gather.name == word)
                return &gather;
        return nullptr;
    };
    std::vector<std::string_view> declared;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if ((isTexelRead(words[i].text) || gatherOf(words[i].text) != nullptr) &&
            isDeclaration(code, words, i))
            declared.push_back(words[i].text);
    }

    std::vector<Insertion> insertions;
    bool wrapped = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        const Gather* gather = gatherOf(word.text);
        if ((!isTexelRead(word.text) && gather == nullptr) ||
            std::find(declared.begin(), declared.end(), word.text) != declared.end() ||
            (word.start > 0 && code[word.start - 1] == '.'))
            continue;
        const std::size_t open = skipWhitespace(code, word.start + word.text.size());
        if (open == code.size() || code[open] != '(')
            continue;
        const std::vector<std::size_t> bounds = argumentBounds(code, open);
        if (bounds.empty())
            continue;
        const std::size_t close = bounds.back();
        if (gather == nullptr) {
            insertions.push_back({word.start, "repl_texel("});
            insertions.push_back({close + 1, ")"});
            wrapped = true;
            continue;
        }
        const std::size_t arguments = bounds.size() - 1;
        if (arguments == gather->arguments) {
            // The host's red, the default component.
            insertions.push_back({close, ", 1"});
            continue;
        }
        const std::size_t samplerStart = skipWhitespace(code, open + 1);
        std::size_t samplerEnd = samplerStart;
        while (samplerEnd < code.size() && isWordChar(code[samplerEnd])) ++samplerEnd;
        if (arguments != gather->arguments + 1 ||
            isShadowSampler(code, words,
                            std::string_view(code).substr(samplerStart, samplerEnd - samplerStart)))
            continue;
        // Component c of red, green, blue, alpha is c + 1 of the host's order.
        insertions.push_back({bounds[arguments - 1] + 1, "(("});
        insertions.push_back({close, ") + 1) % 4"});
    }
    if (insertions.empty())
        return false;
    // At one position, a call nested last in another closes before the
    // outer call's component goes in: the later insertion comes first.
    std::stable_sort(insertions.begin(), insertions.end(),
                     [](const Insertion& a, const Insertion& b) { return a.at < b.at; });
    std::string result;
    std::size_t copied = 0;
    for (std::size_t k = 0; k < insertions.size();) {
        std::size_t end = k;
        while (end < insertions.size() && insertions[end].at == insertions[k].at) ++end;
        result.append(text, copied, insertions[k].at - copied);
        for (std::size_t j = end; j > k; --j) result += insertions[j - 1].text;
        copied = insertions[k].at;
        k = end;
    }
    result.append(text, copied, std::string::npos);
    text = std::move(result);
    return wrapped;
}

std::string fragmentOutputName(const std::string& text) {
    const std::string code = withoutComments(text);
    const std::vector<Word> words = wordsOf(code);
    for (std::size_t i = 0; i + 2 < words.size(); ++i) {
        if (words[i].text != "out")
            continue;
        std::size_t type = i + 1;
        const std::string_view precision = words[type].text;
        if (precision == "lowp" || precision == "mediump" || precision == "highp")
            ++type;
        if (type + 1 >= words.size() || words[type].text != "vec4")
            continue;
        const Word& name = words[type + 1];
        const std::size_t after = skipWhitespace(code, name.start + name.text.size());
        if (after < code.size() && code[after] == ';')
            return std::string(name.text);
    }
    return {};
}
