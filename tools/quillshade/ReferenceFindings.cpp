#include "ReferenceFindings.h"

#include <cctype>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "ReferenceCompiler.h"
#include "gl/FragmentAssembly.h"

namespace {

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// What to write instead, for the reference's messages about the mistakes
// authors make most; empty for others.
std::string remedy(const std::string& message, bool engineLine) {
    if (has(message, "floating-point suffix"))
        return engineLine ? "the engine's textureCube emulation writes its constants with an f "
                            "suffix, which GLSL 1.10 lacks; start the shader with #version 120"
                          : "GLSL 1.10 has no f suffix: write 1.0 rather than 1.0f, or start the "
                            "shader with #version 120";
    if (has(message, "cannot convert from") && has(message, "int") && has(message, "float"))
        return "GLSL 1.10 and GLSL ES turn no int into a float: write 1.0 rather than 1, or "
               "float(n)";
    if (has(message, "no matching overloaded function found"))
        return "an int where the function takes a float is the usual cause: GLSL 1.10 and GLSL "
               "ES turn no int into a float (write 2.0 rather than 2)";
    if (has(message, "default precision qualifier") || has(message, "No precision specified"))
        return "GLSL ES needs a default precision: put `precision mediump float;` (or highp) "
               "before the first declaration";
    if (has(message, "GL_ARB_shader_texture_lod"))
        return "a fragment shader of GLSL 1.10 or 1.20 reads a chosen level only through the "
               "extension: start the shader with #extension GL_ARB_shader_texture_lod : enable";
    if (has(message, "Non-constant-index-expression") || has(message, "inductive") ||
        has(message, "while loops") || has(message, "do-while loops"))
        return "GLSL ES 1.00 drivers need only index arrays with constants and the index of a "
               "counting for loop, and run only such loops";
    return {};
}

// The number of the text's `#version` line (110 without one) and whether it
// declares a core profile.
struct Declared {
    long version = 110;
    bool core = false;
};

Declared declaredVersion(const std::string& text) {
    Declared declared;
    const std::size_t at = text.find("#version");
    if (at == std::string::npos)
        return declared;
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
    declared.version = std::strtol(line.c_str() + 8, nullptr, 10);
    declared.core = declared.version >= 150 && !has(line, " es") && !has(line, "compatibility");
    return declared;
}

struct Dropped {
    const char* name;
    bool call;
    const char* instead;
};

// The names core profiles dropped; sampling calls are also looked for with
// the engine's "repl_" prefix, which its rewriting gives the author's calls.
constexpr Dropped kDropped[] = {
    {"texture1D", true, "call texture()"},
    {"texture2D", true, "call texture()"},
    {"texture3D", true, "call texture()"},
    {"textureCube", true, "call texture()"},
    {"texture2DLod", true, "call textureLod()"},
    {"texture2DProj", true, "call textureProj()"},
    {"shadow2D", true, "call texture()"},
    {"gl_FragColor", false, "declare an out vec4 and write the colour to it"},
    {"gl_FragData", false, "declare an out vec4 and write the colour to it"},
    {"gl_TexCoord", false, "compute the position from gl_FragCoord"},
};

// Where the code of `text` outside comments names a dropped name: its line
// in the text and the entry.
std::vector<std::pair<int, const Dropped*>> droppedNames(const std::string& text) {
    std::vector<std::pair<int, const Dropped*>> found;
    int line = 1;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\n') {
            ++line;
        } else if (text.compare(at, 2, "//") == 0) {
            const std::size_t feed = text.find('\n', at);
            if (feed == std::string::npos)
                break;
            at = feed - 1;
        } else if (text.compare(at, 2, "/*") == 0) {
            const std::size_t close = text.find("*/", at + 2);
            const std::size_t stop = close == std::string::npos ? text.size() : close + 1;
            for (; at < stop; ++at) line += text[at] == '\n';
        } else if (isWordChar(text[at]) && (at == 0 || !isWordChar(text[at - 1]))) {
            std::size_t end = at;
            while (end < text.size() && isWordChar(text[end])) ++end;
            std::string_view word(text.data() + at, end - at);
            if (word.substr(0, 5) == "repl_")
                word.remove_prefix(5);
            std::size_t next = end;
            while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next])) &&
                   text[next] != '\n')
                ++next;
            for (const Dropped& dropped : kDropped) {
                if (word == dropped.name &&
                    (!dropped.call || (next < text.size() && text[next] == '(')))
                    found.emplace_back(line, &dropped);
            }
            at = end - 1;
        }
    }
    return found;
}

}  // namespace

std::vector<std::string> referenceFindings(const std::string& authorText, const std::string& file) {
    std::vector<std::string> findings;
    const FragmentAssembly assembly(authorText);
    const std::string text = assembly.text();
    const auto place = [&](int compiledLine) {
        const int line = assembly.authorLine(compiledLine);
        return "warning: " + file +
               (line > 0 ? ":" + std::to_string(line)
                         : std::string(" (in the engine's wrapping code)")) +
               ": may fail on some GPUs: ";
    };
    for (const ReferenceMessage& message : ReferenceCompiler::errors(text)) {
        const bool engineLine = message.line > 0 && assembly.authorLine(message.line) == 0;
        const std::string instead = remedy(message.text, engineLine);
        findings.push_back((message.line > 0 ? place(message.line)
                                             : "warning: " + file + ": may fail on some GPUs: ") +
                           "the reference compiler (glslang) reports " + message.text +
                           (instead.empty() ? "" : "; " + instead));
    }
    const Declared declared = declaredVersion(authorText);
    if (!declared.core)
        return findings;
    for (const auto& [line, dropped] : droppedNames(text)) {
        // The engine's own lines use these names only for what the author's lines do.
        if (assembly.authorLine(line) == 0)
            continue;
        findings.push_back(
            place(line) + dropped->name + (dropped->call ? "()" : "") +
            " is not in the core profile that #version " + std::to_string(declared.version) +
            " declares, and strict drivers refuse it; " + dropped->instead +
            ", or declare #version " + std::to_string(declared.version) + " compatibility");
    }
    return findings;
}
