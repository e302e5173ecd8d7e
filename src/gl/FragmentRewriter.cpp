#include "gl/FragmentRewriter.h"

#include <cstddef>
#include <string_view>

#include "gl/SamplingCalls.h"

namespace {

constexpr std::string_view kTexture2DWrapper =
    "vec4 repl_texture2D(sampler2D a,vec2 b) { return texture2D(a,b).SWIZZLE; }";
constexpr std::string_view kTexture2DLodWrapper =
    "vec4 repl_texture2DLod(sampler2D a,vec2 b,float c) { return texture2DLod(a,b,c).SWIZZLE; }";
// The constant is deliberately 3.141526, with 6.283052 exactly twice it: the
// effects' latitude-longitude images were made against these values.
constexpr std::string_view kTextureCubeWrapper =
    "vec4 repl_textureCube(sampler2D a,vec3 b) { vec2 uv = vec2( (atan( b.x, b.z ) + "
    "3.141526f)/6.283052f, acos(b.y)/3.141526f ); return texture2D(a,uv).SWIZZLE; }";

bool isWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Characters that may stand right before a call name or `samplerCube`.
bool isCallLead(char c) {
    return isWhitespace(c) || std::string_view("(+-/*=").find(c) != std::string_view::npos;
}

// True when the first non-whitespace character at or after `pos` is `c`.
bool nextNonWhitespaceIs(std::string_view text, std::size_t pos, char c) {
    while (pos < text.size() && isWhitespace(text[pos])) {
        ++pos;
    }
    return pos < text.size() && text[pos] == c;
}

// Replaces at most `limit` occurrences of `name` that `qualifies` accepts.
// Occurrences are examined from position 1 on, so one at the very start is never
// replaced (and has no character before it to test). Each replacement keeps the
// bytes before and after an occurrence, which are all that `qualifies` reads,
// so testing against the original text gives the same answers as testing the
// partly rewritten one. Returns the number of replacements.
template <typename Qualifies>
std::size_t replaceQualifying(std::string& text, std::string_view name,
                              std::string_view replacement, Qualifies qualifies,
                              std::size_t limit = std::string::npos) {
    const std::string_view source(text);
    std::string result;
    std::size_t copied = 0;
    std::size_t count = 0;
    for (std::size_t p = source.find(name, 1); p != std::string_view::npos && count < limit;
         p = source.find(name, p + 1)) {
        if (!qualifies(source, p)) {
            continue;
        }
        result.append(source, copied, p - copied).append(replacement);
        copied = p + name.size();
        ++count;
    }
    if (count > 0) {
        result.append(source, copied, std::string_view::npos);
        text = std::move(result);
    }
    return count;
}

// The author's first `main(` becomes `repl_main(` and a real entry point that
// reorders the final colour, `output`, is appended. Only whitespace may precede
// the name.
void rewriteEntryPoint(std::string& text, const std::string& output) {
    constexpr std::string_view name = "main";
    auto qualifies = [&](std::string_view s, std::size_t p) {
        return isWhitespace(s[p - 1]) && nextNonWhitespaceIs(s, p + name.size(), '(');
    };
    if (replaceQualifying(text, name, "repl_main", qualifies, 1) > 0) {
        text.append(kEntryPointStart).append(output + " = " + output + ".argb; }");
    }
}

// Routes the calls of `name` through `repl_<name>`, prepending its wrapper once
// when any call was routed. The replacement has an underscore before `name`,
// so it never qualifies again.
void rewriteCalls(std::string& text, std::string_view name, std::string_view wrapper) {
    auto qualifies = [&](std::string_view s, std::size_t p) {
        return isCallLead(s[p - 1]) && nextNonWhitespaceIs(s, p + name.size(), '(');
    };
    if (replaceQualifying(text, name, std::string("repl_").append(name), qualifies) > 0) {
        text.insert(0, std::string(wrapper).append("\n"));
    }
}

// Cube samplers become plain 2D samplers of a latitude-longitude image: in
// declarations (`samplerCube env`) and before a member access.
void rewriteCubeSamplers(std::string& text) {
    constexpr std::string_view name = "samplerCube";
    auto qualifies = [&](std::string_view s, std::size_t p) {
        const std::size_t after = p + name.size();
        return isCallLead(s[p - 1]) &&
               ((after < s.size() && isWhitespace(s[after])) || nextNonWhitespaceIs(s, after, '.'));
    };
    replaceQualifying(text, name, "sampler2D", qualifies);
}

}  // namespace

std::string rewriteFragmentSource(const std::string& text, int version, bool es) {
    std::string result = text;
    const bool laterDialect = es ? version >= 300 : version >= 130;
    const std::string output = laterDialect ? fragmentOutputName(result) : std::string();
    rewriteEntryPoint(result, output.empty() ? "gl_FragColor" : output);
    if (laterDialect && rewriteSamplingCalls(result))
        result.insert(0, kTexelWrappers);
    rewriteCalls(result, "texture2D", kTexture2DWrapper);
    rewriteCalls(result, "texture2DLod", kTexture2DLodWrapper);
    rewriteCalls(result, "textureCube", kTextureCubeWrapper);
    rewriteCubeSamplers(result);
    return result;
}
