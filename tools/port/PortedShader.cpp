#include "PortedShader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr const char* kPrecisions[] = {"lowp", "mediump", "highp"};

bool isPrecision(std::string_view word) {
    return std::find(std::begin(kPrecisions), std::end(kPrecisions), word) != std::end(kPrecisions);
}

bool isOneOf(std::string_view word, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), word) != names.end();
}

bool mentions(std::string_view name, std::initializer_list<std::string_view> parts) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return std::any_of(parts.begin(), parts.end(), [&](std::string_view part) {
        return lower.find(part) != std::string::npos;
    });
}

// The first four numbers written in `text`: "vec3(0.2, 0.5, 1.0)" gives 0.2,
// 0.5, 1.
std::vector<double> numbersIn(std::string_view text) {
    std::vector<double> numbers;
    const std::string copy(text);
    for (std::size_t at = 0; at < copy.size();) {
        const char c = copy[at];
        const bool starts =
            std::isdigit(static_cast<unsigned char>(c)) ||
            ((c == '-' || c == '.') && at + 1 < copy.size() &&
             (std::isdigit(static_cast<unsigned char>(copy[at + 1])) || copy[at + 1] == '.'));
        if (!starts || (at > 0 && isShaderWordChar(copy[at - 1]))) {
            ++at;
            continue;
        }
        char* end = nullptr;
        const double value = std::strtod(copy.c_str() + at, &end);
        const std::size_t next = static_cast<std::size_t>(end - copy.c_str());
        if (next == at) {
            ++at;
            continue;
        }
        // Only finite numbers can become a control's value in the script.
        numbers.push_back(std::isfinite(value) ? value : 0.0);
        if (numbers.size() == 4)
            break;
        at = next;
        while (at < copy.size() && isShaderWordChar(copy[at])) ++at;  // a suffix: 1.0f, 2u
    }
    return numbers;
}

// Shadertoy's inputs: name, type, role.
struct ShadertoyInput {
    const char* name;
    const char* type;
    UniformRole role;
};
constexpr ShadertoyInput kShadertoyInputs[] = {
    {"iResolution", "vec3", UniformRole::Size},
    {"iTime", "float", UniformRole::Time},
    {"iGlobalTime", "float", UniformRole::Time},
    {"iTimeDelta", "float", UniformRole::TimeDelta},
    {"iFrame", "int", UniformRole::Frame},
    {"iFrameRate", "float", UniformRole::FrameRate},
    {"iMouse", "vec4", UniformRole::Mouse},
    {"iDate", "vec4", UniformRole::Date},
    {"iSampleRate", "float", UniformRole::SampleRate},
    {"iChannel0", "sampler2D", UniformRole::Channel},
    {"iChannel1", "sampler2D", UniformRole::Channel},
    {"iChannel2", "sampler2D", UniformRole::Channel},
    {"iChannel3", "sampler2D", UniformRole::Channel},
};

}  // namespace

PortedShader::PortedShader(const std::string& source, SourceDialect dialect)
    : dialect_(dialect), shader_(source) {
    bool es = false;
    const int version = shader_.version(es);
    if (dialect == SourceDialect::Shadertoy) {
        portShadertoy();
    } else {
        portVersionLine(version, es);
        rowsUp_ = !(version >= 450 && (shader_.uses("set") || shader_.uses("push_constant")));
        if (!rowsUp_)
            portVulkanLayouts();
        portVaryings();
        portTexCoords();
        if (es ? version < 300 : version < 130)
            portOlderReads();
    }
    scanUniforms();
    apply();
}

void PortedShader::note(std::size_t position, const std::string& text) {
    notes_.push_back({shader_.lineOf(position), text});
}

void PortedShader::portShadertoy() {
    header_.push_back("#version 330");
    header_.push_back("out vec4 qs_fragColor;");
    for (const ShadertoyInput& input : kShadertoyInputs) {
        if (shader_.uses(input.name) &&
            !std::any_of(shader_.statements().begin(), shader_.statements().end(),
                         [&](const ShaderStatement& s) {
                             return std::any_of(s.words.begin(), s.words.end(),
                                                [&](const ShaderWord& w) {
                                                    return w.text == input.name;
                                                }) &&
                                    s.words.front().text == "uniform";
                         })) {
            header_.push_back(std::string("uniform ") + input.type + " " + input.name + ";");
            PortedUniform record;
            record.name = input.name;
            record.type = input.type;
            record.role = input.role;
            if (input.role == UniformRole::Channel)
                record.channel = input.name[8] - '0';
            uniforms_.push_back(record);
        }
    }
    if (shader_.uses("iChannelResolution")) {
        std::string sizes = "vec3[4] qs_channelResolution() { return vec3[4](";
        for (int channel = 0; channel < 4; ++channel) {
            const std::string name = "iChannel" + std::to_string(channel);
            sizes += (channel > 0 ? ", " : "") + (shader_.uses(name)
                                                      ? "vec3(textureSize(" + name + ", 0), 1.0)"
                                                      : std::string("vec3(0.0)"));
        }
        header_.push_back(sizes + "); }");
        header_.push_back("#define iChannelResolution qs_channelResolution()");
    }
    if (shader_.uses("iChannelTime"))
        header_.push_back("#define iChannelTime float[4](iTime, iTime, iTime, iTime)");
    if (!shader_.uses("mainImage"))
        note(0, "no mainImage(): nothing draws the frame");
    // Shadertoy shows its canvas opaque, whatever alpha the shader writes.
    tail_ = "\nvoid main() { mainImage(qs_fragColor, gl_FragCoord.xy); qs_fragColor.a = 1.0; }\n";
}

void PortedShader::portVersionLine(int version, bool es) {
    const std::string& text = shader_.text();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::size_t hash = text.find_first_not_of(" \t", start);
        if (hash < end && text[hash] == '#' &&
            text.compare(text.find_first_not_of(" \t", hash + 1), 7, "version") == 0) {
            std::string replacement;
            if (es && version >= 300)
                replacement = version >= 320   ? "#version 450"
                              : version >= 310 ? "#version 430"
                                               : "#version 330";
            else if (!es)
                replacement = text.substr(start, end - start);
            // GLSL ES 1.00 becomes the engine's own GLSL 1.10: no #version line.
            edits_.push_back({start, end, replacement});
            return;
        }
        start = end + 1;
    }
}

// The engine's vertex stage writes gl_TexCoord[0..3] only. A varying that
// held the place in the quad becomes that place, from gl_FragCoord; others
// read 0.
// The engine reorders a texture2D, texture2DLod or textureCube call only
// after white space or one of ( + - / * =; `mix(a,texture2D(s, uv), t)`
// gets a space.
void PortedShader::portOlderReads() {
    const std::string& code = shader_.code();
    for (const ShaderWord& word : shader_.words()) {
        if (word.start == 0 || !isOneOf(word.text, {"texture2D", "texture2DLod", "textureCube"}))
            continue;
        const char before = code[word.start - 1];
        if (std::string_view(" \t\n\r\v\f(+-/*=").find(before) == std::string_view::npos &&
            before != '.')
            edits_.push_back({word.start, word.start, " "});
    }
}

void PortedShader::portVaryings() {
    for (const ShaderStatement& statement : shader_.statements()) {
        const auto& words = statement.words;
        std::size_t at = 0;
        if (!words.empty() && words[0].text == "layout")
            while (at < words.size() && words[at].text != "in" && words[at].text != "varying") ++at;
        while (at < words.size() && isOneOf(words[at].text, {"flat", "smooth", "noperspective",
                                                             "centroid", "invariant"}))
            ++at;
        if (at >= words.size() || !isOneOf(words[at].text, {"in", "varying"}))
            continue;
        ++at;
        if (at < words.size() && isPrecision(words[at].text))
            ++at;
        if (at + 1 >= words.size())
            continue;
        const std::string type(words[at].text);
        const std::string place =
            rowsUp_ ? "(gl_FragCoord.xy / qs_resolution)"
                    : "(vec2(gl_FragCoord.x, qs_resolution.y - gl_FragCoord.y) / qs_resolution)";
        const bool placeLike = mentions(words[at + 1].text, {"uv", "tex", "coord", "st"});
        std::string value;
        if (type == "vec2")
            value = place;
        else if (type == "vec3" && placeLike)
            value = "vec3(" + place + ", 0.0)";
        else if (type == "vec4" && placeLike)
            value = "vec4(" + place + ", 0.0, 1.0)";
        for (std::size_t name = at + 1; name < words.size(); ++name) {
            const std::string varying(words[name].text);
            if (value.empty()) {
                header_.push_back("#define " + varying + " " + type + "(0.0)");
                note(words[name].start, "varying " + varying +
                                            " comes from a vertex stage the engine does not "
                                            "have: it reads 0");
            } else {
                header_.push_back("#define " + varying + " " + value);
                needsSize_ = true;
            }
        }
        edits_.push_back({words.front().start, statement.end, ""});
    }
}

// gl_TexCoord[n] runs from 0 at the bottom to 1 at the top in the hosts
// these shaders come from; the engine's follows the flip argument.
void PortedShader::portTexCoords() {
    const std::string& code = shader_.code();
    for (const ShaderWord& word : shader_.words()) {
        if (word.text != "gl_TexCoord")
            continue;
        const std::size_t close = code.find(']', word.start);
        if (close == std::string::npos)
            continue;
        edits_.push_back({word.start, close + 1,
                          rowsUp_ ? "vec4(gl_FragCoord.xy / qs_resolution, 0.0, 1.0)"
                                  : "vec4(gl_FragCoord.x / qs_resolution.x, 1.0 - gl_FragCoord.y / "
                                    "qs_resolution.y, 0.0, 1.0)"});
        needsSize_ = true;
    }
}

// Vulkan's descriptor sets do not exist in GL: `set = 0,` goes; its
// framebuffer counts rows from the top, so gl_FragCoord is turned.
void PortedShader::portVulkanLayouts() {
    const std::string& code = shader_.code();
    for (const ShaderWord& word : shader_.words()) {
        if (word.text == "set") {
            std::size_t end = code.find_first_of(",)", word.start);
            if (end == std::string::npos)
                continue;
            if (code[end] == ',')
                ++end;
            edits_.push_back({word.start, end, ""});
        } else if (word.text == "gl_FragCoord") {
            edits_.push_back({word.start, word.start + word.text.size(), "qs_FragCoord"});
            needsSize_ = true;
        } else if (word.text == "push_constant") {
            note(word.start,
                 "a push-constant block: the engine sets no uniform blocks; "
                 "declare its members as uniforms");
        }
    }
    header_.push_back(
        "#define qs_FragCoord vec4(gl_FragCoord.x, qs_resolution.y - gl_FragCoord.y, "
        "gl_FragCoord.zw)");
}

void PortedShader::scanUniforms() {
    int samplers = 0;
    for (const ShaderStatement& statement : shader_.statements()) {
        const auto& words = statement.words;
        auto uniform = std::find_if(words.begin(), words.end(),
                                    [](const ShaderWord& w) { return w.text == "uniform"; });
        if (uniform == words.end())
            continue;
        auto at = uniform + 1;
        if (at != words.end() && isPrecision(at->text))
            ++at;
        if (at == words.end() || at + 1 == words.end())
            continue;
        const std::string type(at->text);
        if (shader_.code().find('{', at->start) < statement.end) {
            note(at->start, "uniform block " + type +
                                ": the engine sets no uniform blocks; declare its members as "
                                "uniforms");
            continue;
        }
        const std::string_view rest =
            std::string_view(shader_.code()).substr(at->start, statement.end - at->start);
        for (auto name = at + 1; name != words.end(); ++name) {
            // Names follow the type or a comma; the rest is sizes and values.
            const std::size_t before = shader_.code().find_last_not_of(" \t\r\n", name->start - 1);
            if (name != at + 1 && (before == std::string::npos || shader_.code()[before] != ','))
                continue;
            PortedUniform record;
            record.name = std::string(name->text);
            record.type = type;
            record.line = shader_.lineOf(name->start);
            const std::size_t equals = rest.find('=');
            if (equals != std::string_view::npos)
                record.initial = numbersIn(rest.substr(equals));
            const bool isArray =
                shader_.code().find_first_not_of(" \t\r\n", name->start + name->text.size()) ==
                shader_.code().find('[', name->start);
            const std::string& n = record.name;
            if (dialect_ == SourceDialect::Shadertoy) {
                for (const ShadertoyInput& input : kShadertoyInputs)
                    if (n == input.name)
                        record.role = input.role;
            }
            if (record.role == UniformRole::Unset) {
                if (isOneOf(n, {"resolution", "iResolution", "u_resolution", "uResolution",
                                "u_Resolution", "screenSize", "u_screenSize"}) &&
                    (type == "vec2" || type == "vec3"))
                    record.role = UniformRole::Size;
                else if (isOneOf(n, {"time", "iTime", "iGlobalTime", "u_time", "uTime",
                                     "globalTime", "u_Time"}) &&
                         type == "float")
                    record.role = UniformRole::Time;
                else if (isOneOf(n, {"mouse", "u_mouse", "uMouse", "iMouse"}) &&
                         (type == "vec2" || type == "vec4")) {
                    record.role = UniformRole::Mouse;
                    record.normalised = n == "mouse";  // glslsandbox's runs from 0 to 1
                } else if (isArray) {
                    note(name->start,
                         "uniform " + type + " " + n + "[]: the engine sets no arrays; it keeps 0");
                } else if (type == "sampler2D") {
                    record.role = UniformRole::Channel;
                } else if (isOneOf(type, {"float", "int", "bool", "vec2", "vec3", "vec4"})) {
                    record.role = UniformRole::Tunable;
                } else if (type == "samplerCube") {
                    note(name->start, "uniform samplerCube " + n +
                                          ": the engine reads a cube map from a "
                                          "latitude-longitude picture; give it one with "
                                          "QS_setShaderParamVal");
                } else if (type == "sampler2DRect") {
                    note(name->start, "uniform sampler2DRect " + n +
                                          ": declare it as sampler2D and divide its "
                                          "coordinates by textureSize(" +
                                          n + ", 0)");
                } else {
                    note(name->start, "uniform " + type + " " + n +
                                          ": the engine cannot set this type; it keeps 0");
                }
            }
            if (record.role == UniformRole::Channel)
                record.channel =
                    n.size() == 9 && n.compare(0, 8, "iChannel") == 0 ? n[8] - '0' : samplers++;
            uniforms_.push_back(record);
        }
    }
}

void PortedShader::apply() {
    std::string text = shader_.text();
    std::sort(edits_.begin(), edits_.end(),
              [](const Edit& a, const Edit& b) { return a.start > b.start; });
    std::size_t limit = text.size();
    for (const Edit& edit : edits_) {
        if (edit.end > limit)
            continue;  // overlaps an edit already made
        text.replace(edit.start, edit.end - edit.start, edit.text);
        limit = edit.start;
    }
    if (needsSize_)
        header_.insert(header_.begin() + (dialect_ == SourceDialect::Shadertoy ? 1 : 0),
                       std::string("uniform vec2 ") + kSizeUniform + ";");
    // The added lines go after the #version and #extension lines, which
    // must come first.
    std::size_t insertAt = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::size_t first = text.find_first_not_of(" \t\r", start);
        if (first < end && text[first] == '#') {
            const std::size_t word = text.find_first_not_of(" \t", first + 1);
            if (text.compare(word, 7, "version") == 0 || text.compare(word, 9, "extension") == 0)
                insertAt = end + 1;
        } else if (first < end && text.compare(first, 2, "//") != 0) {
            break;
        }
        start = end + 1;
    }
    std::string header;
    for (const std::string& line : header_) header += line + "\n";
    if (dialect_ == SourceDialect::Shadertoy) {
        text_ = header + text + tail_;
        return;
    }
    insertAt = std::min(insertAt, text.size());
    if (insertAt > 0 && text[insertAt - 1] != '\n')
        header.insert(0, "\n");
    text_ = text.substr(0, insertAt) + header + text.substr(insertAt);
}
