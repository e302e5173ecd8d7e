#include "gl/ShaderLogAdvice.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <string_view>

namespace {

constexpr std::string_view kOverloads = "; candidates are:";
constexpr char kPortHint[] = "\"quillshade port FILE\" does this for a whole shader";

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The words of one line of text, in order.
std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at < line.size();) {
        if (!isWordChar(line[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < line.size() && isWordChar(line[end])) ++end;
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

// The part of a log line after its place: "error: ...".
std::string_view messageOf(std::string_view line) {
    const std::size_t error = line.find("error:");
    return error == std::string_view::npos ? line : line.substr(error);
}

// "file:7" of a line placed at "file:7:3: error: ...", else `file`.
std::string placeOf(const std::string& line, const std::string& file) {
    if (line.compare(0, file.size() + 1, file + ":") != 0)
        return file;
    std::size_t end = file.size() + 1;
    while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    return end > file.size() + 1 ? line.substr(0, end) : file;
}

// The name GL quotes as `name', or the word after `after`.
std::string quotedName(std::string_view message, std::string_view after) {
    std::size_t start = message.find('`');
    std::size_t end = start == std::string_view::npos ? start : message.find('\'', start);
    if (end != std::string_view::npos)
        return std::string(message.substr(start + 1, end - start - 1));
    start = message.find(after);
    if (start == std::string_view::npos)
        return {};
    start += after.size();
    end = start;
    while (end < message.size() && isWordChar(message[end])) ++end;
    return std::string(message.substr(start, end - start));
}

// The second quoted name: "writes to both `gl_FragColor' and `colour'".
std::string secondQuotedName(std::string_view message) {
    const std::size_t first = message.find('\'');
    return first == std::string_view::npos ? std::string()
                                           : quotedName(message.substr(first + 1), "");
}

}  // namespace

ShaderLogAdvice::ShaderLogAdvice(const std::string& authorText, int version, bool es)
    : authorText_(authorText), version_(version), es_(es) {}

std::vector<std::string> ShaderLogAdvice::advise(const std::vector<std::string>& lines,
                                                 const std::string& file) const {
    std::vector<std::string> result;
    std::vector<std::string> advice;
    bool inOverloads = false;
    for (const std::string& line : lines) {
        const std::string_view message = messageOf(line);
        // An overload is printed as "error:    vec4 texture(sampler2D, vec2)".
        if (inOverloads && message.substr(0, 9) == "error:   ")
            continue;
        inOverloads = false;
        std::string kept = line;
        const std::size_t overloads = kept.rfind(kOverloads);
        if (overloads != std::string::npos && overloads + kOverloads.size() == kept.size()) {
            kept.erase(overloads);
            inOverloads = true;
        }
        result.push_back(kept);
        const std::string hint = adviceFor(line, file);
        if (!hint.empty() && std::find(advice.begin(), advice.end(), hint) == advice.end())
            advice.push_back(hint);
    }
    result.insert(result.end(), advice.begin(), advice.end());
    return result;
}

std::string ShaderLogAdvice::declarationPlace(const std::string& name,
                                              const std::string& file) const {
    int lineNumber = 1;
    for (std::size_t start = 0; start < authorText_.size(); ++lineNumber) {
        const std::size_t feed = authorText_.find('\n', start);
        const std::size_t end = feed == std::string::npos ? authorText_.size() : feed;
        const std::vector<std::string_view> words =
            wordsOf(std::string_view(authorText_).substr(start, end - start));
        const auto named = std::find(words.begin(), words.end(), name);
        if (named != words.end() && std::any_of(words.begin(), named, [](std::string_view word) {
                return word == "varying" || word == "in" || word == "out";
            }))
            return file + ":" + std::to_string(lineNumber);
        start = end + 1;
    }
    return file;
}

std::string ShaderLogAdvice::adviceFor(const std::string& line, const std::string& file) const {
    const std::string_view message = messageOf(line);
    if (es_ && message.substr(0, 6) == "error:")
        return version_ >= 300
                   ? file +
                         ": GLSL ES does not link with the engine's desktop vertex stage: write "
                         "\"#version 330\" instead of \"#version " +
                         std::to_string(version_) + " es\" (precision statements may stay)"
                   : file +
                         ": GLSL ES does not link with the engine's desktop vertex stage: "
                         "delete \"#version 100\" (the engine's GLSL 1.10 takes precision "
                         "statements and texture2D) and read gl_TexCoord[0].xy instead of "
                         "varyings";
    if (contains(message, "lacks `main'")) {
        if (contains(authorText_, "mainImage"))
            return file +
                   ": a Shadertoy shader: the engine calls main(), not mainImage(); run "
                   "\"quillshade port FILE --from shadertoy\", which adds main() and the "
                   "iResolution, iTime, iMouse and iChannel uniforms";
        return file + ": write the entry point as \"void main()\", which writes gl_FragColor";
    }
    if (contains(message, "writes to both")) {
        const std::string output = secondQuotedName(message);
        return declarationPlace(output, file) + ": write the colour to " + output +
               " alone, declared on a line of its own as \"out vec4 " + output +
               ";\": a shader with an output of its own cannot write gl_FragColor too";
    }
    if (contains(message, "`gl_TexCoord' undeclared"))
        return placeOf(line, file) +
               ": GLSL 1.40 and later have no gl_TexCoord: start the shader with \"#version 330 "
               "compatibility\" to keep gl_TexCoord[0].xy (0 to 1 across the pass), or use "
               "gl_FragCoord.xy / resolution with \"uniform vec2 resolution;\" set by the script";
    if (contains(message, "`gl_FragColor' undeclared"))
        return placeOf(line, file) +
               ": GLSL 1.40 and later have no gl_FragColor: declare \"out vec4 fragColor;\" and "
               "write fragColor, which the engine reorders as it does gl_FragColor";
    const bool unwrittenVarying = contains(message, "not written by vertex shader");
    if (unwrittenVarying || contains(message, "has no matching output")) {
        const std::string name = quotedName(message, unwrittenVarying ? "varying " : "input ");
        return declarationPlace(name, file) + ": the engine's vertex stage writes no " + name +
               ", only gl_TexCoord[0] (0 to 1 across the pass): delete the declaration and read "
               "gl_TexCoord[0].xy (GLSL up to 1.30, or with \"compatibility\" after a later "
               "version number), or "
               "gl_FragCoord.xy / resolution; " +
               kPortHint;
    }
    return {};
}
