#include "ShaderChecks.h"

#include <GL/glew.h>

#include <cctype>
#include <cstdlib>

#include "NameSuggestions.h"
#include "ScriptLocation.h"
#include "entities/Context.h"
#include "gl/Shader.h"

namespace {

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The GLSL name of a uniform type, as the author wrote it.
std::string glslType(GLenum type) {
    switch (type) {
        case GL_FLOAT:
            return "float";
        case GL_FLOAT_VEC2:
            return "vec2";
        case GL_FLOAT_VEC3:
            return "vec3";
        case GL_FLOAT_VEC4:
            return "vec4";
        case GL_INT:
            return "int";
        case GL_INT_VEC2:
            return "ivec2";
        case GL_INT_VEC3:
            return "ivec3";
        case GL_INT_VEC4:
            return "ivec4";
        case GL_UNSIGNED_INT:
            return "uint";
        case GL_UNSIGNED_INT_VEC2:
            return "uvec2";
        case GL_UNSIGNED_INT_VEC3:
            return "uvec3";
        case GL_UNSIGNED_INT_VEC4:
            return "uvec4";
        case GL_BOOL:
            return "bool";
        case GL_BOOL_VEC2:
            return "bvec2";
        case GL_BOOL_VEC3:
            return "bvec3";
        case GL_BOOL_VEC4:
            return "bvec4";
        case GL_FLOAT_MAT2:
            return "mat2";
        case GL_FLOAT_MAT3:
            return "mat3";
        case GL_FLOAT_MAT4:
            return "mat4";
        case GL_SAMPLER_1D:
            return "sampler1D";
        case GL_SAMPLER_2D:
            return "sampler2D";
        case GL_SAMPLER_3D:
            return "sampler3D";
        case GL_SAMPLER_2D_SHADOW:
            return "sampler2DShadow";
        case GL_SAMPLER_2D_RECT:
            return "sampler2DRect";
        default:
            return "uniform type 0x" + [type] {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%X", type);
                return std::string(hex);
            }();
    }
}

// "a mat2", "an ivec2".
std::string article(const std::string& word) {
    return (word[0] == 'i' || word[0] == 'u' ? "an " : "a ") + word;
}

// What the author can declare instead of a type the engine cannot set.
std::string insteadOf(GLenum type, bool array, bool member) {
    if (member)
        return "declare each member as a uniform of its own";
    if (array)
        return "declare separate uniforms (a vec2, vec3 or vec4 holds up to four numbers), or "
               "read many values from a texture";
    const std::string name = glslType(type);
    const char last = name.back();
    if (name.size() == 5 && name.compare(0, 4, "uvec") == 0)
        return std::string("declare it as ivec") + last;
    if (type == GL_UNSIGNED_INT)
        return "declare it as int";
    if (name.compare(0, 3, "mat") == 0)
        return "pass the columns as vec" + std::string(1, last) + " uniforms and build the " +
               name + " in the shader";
    if (type == GL_SAMPLER_2D_RECT)
        return "declare it as sampler2D, which reads from 0 to 1, and divide the pixel "
               "coordinates by textureSize(sampler, 0)";
    if (name.compare(0, 7, "sampler") == 0)
        return "declare it as sampler2D (a samplerCube is read from a latitude-longitude "
               "image)";
    return "use float, vec2, vec3, vec4, int, ivec2 to ivec4, bool, bvec2 to bvec4 or sampler2D";
}

// The GLSL type that each parameter kind's value is sent to.
const char* typeForKind(std::uint32_t kind) {
    switch (kind) {
        case QS_Type::FLOAT:
        case QS_Type::ANGLE:
            return "float";
        case QS_Type::POINT:
            return "vec3";
        case QS_Type::COLOR:
            return "vec4";
        case QS_Type::POINT2D:
            return "vec2";
        case QS_Type::LAYER:
            return "sampler2D";
        case QS_Type::BOOL:
            return "bool";
        case QS_Type::POPUP:
            return "int";
        default:
            return nullptr;
    }
}

const char* kindName(std::uint32_t kind) {
    static const char* const names[] = {"UNKNOWN",     "FLOAT",     "POINT", "COLOR", "LAYER",
                                        "POINT2D",     "TEXTURE",   "PATH",  "BOOL",  "POPUP",
                                        "GROUP_START", "GROUP_END", "ANGLE"};
    return kind < sizeof names / sizeof *names ? names[kind] : "UNKNOWN";
}

bool kindFits(std::uint32_t kind, GLenum type) {
    if (kind == QS_Type::BOOL || kind == QS_Type::POPUP)
        return type == GL_INT || type == GL_BOOL;
    const char* expected = typeForKind(kind);
    return expected == nullptr || glslType(type) == expected;
}

// The line of `source` that declares the uniform `name`: the first line
// holding the word "uniform" and then the word `name`; 0 when none does.
int declarationLine(const std::string& source, const std::string& name) {
    int number = 1;
    std::size_t start = 0;
    while (start <= source.size()) {
        const std::size_t feed = source.find('\n', start);
        const std::string line =
            source.substr(start, feed == std::string::npos ? std::string::npos : feed - start);
        const std::size_t uniform = line.find("uniform");
        for (std::size_t at = uniform == std::string::npos ? std::string::npos
                                                           : line.find(name, uniform + 7);
             at != std::string::npos; at = line.find(name, at + 1)) {
            const std::size_t end = at + name.size();
            if (!isWordChar(line[at - 1]) && (end == line.size() || !isWordChar(line[end])))
                return number;
        }
        if (feed == std::string::npos)
            break;
        start = feed + 1;
        ++number;
    }
    return 0;
}

// The unit of a texture-size uniform ("s_Texture1Params", "Texture0Params"),
// or -1 for another name.
int sizeUniformUnit(const std::string& name) {
    for (const std::string prefix : {"s_Texture", "Texture"}) {
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::size_t at = prefix.size();
        const std::size_t digits = at;
        while (at < name.size() && std::isdigit(static_cast<unsigned char>(name[at]))) ++at;
        if (at > digits && at - digits < 6 && name.compare(at, std::string::npos, "Params") == 0)
            return std::atoi(name.c_str() + digits);
    }
    return -1;
}

const Parameter* effectParameter(const std::string& name) {
    const Context& context = Context::instance();
    for (std::uint32_t position = 0; position < context.count(); ++position) {
        if (context.at(position).name == name)
            return &context.at(position);
    }
    return nullptr;
}

}  // namespace

std::vector<std::string> uniformProblems(const Shader& shader, const std::string& file) {
    std::vector<std::string> problems;
    if (shader.program == 0 || !shader.errorText.empty())
        return problems;
    int samplers = 0;
    for (const Parameter& record : shader.uniforms) samplers += record.kind == QS_Type::LAYER;

    GLint active = 0;
    glGetProgramiv(shader.program, GL_ACTIVE_UNIFORMS, &active);
    for (GLint index = 0; index < active; ++index) {
        char listed[128] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(shader.program, static_cast<GLuint>(index), sizeof listed, nullptr,
                           &size, &type, listed);
        const std::string name = listed;
        // Arrays are listed as "name[0]", struct members as "name.member".
        const std::size_t rootEnd = name.find_first_of(".[");
        const std::string root = name.substr(0, rootEnd);
        const bool member = rootEnd != std::string::npos && name[rootEnd] == '.';
        const bool array = size > 1;
        const int line = declarationLine(shader.source, root);
        const std::string place = file + (line > 0 ? ":" + std::to_string(line) : "") + ": ";
        const std::string declared = "uniform " + glslType(type) + " " +
                                     (array ? root + "[" + std::to_string(size) + "]" : name);

        if (const Parameter* parameter = effectParameter(name)) {
            if (!array && !kindFits(parameter->kind, type)) {
                problems.push_back(place + declared + " never receives the " +
                                   kindName(parameter->kind) + " parameter \"" + name +
                                   "\": the engine sends that kind as " +
                                   typeForKind(parameter->kind) + "; declare uniform " +
                                   typeForKind(parameter->kind) + " " + name);
            }
            continue;
        }
        const bool basic = type == GL_FLOAT || type == GL_FLOAT_VEC2 || type == GL_FLOAT_VEC3 ||
                           type == GL_FLOAT_VEC4 || type == GL_BOOL || type == GL_INT ||
                           type == GL_INT_VEC2 || type == GL_INT_VEC3 || type == GL_INT_VEC4 ||
                           type == GL_BOOL_VEC2 || type == GL_BOOL_VEC3 || type == GL_BOOL_VEC4;
        // A struct member of a basic type is set by its full name.
        if (array || !(basic || (type == GL_SAMPLER_2D && !member))) {
            problems.push_back(place + declared + ": the engine cannot set " +
                               (array    ? "an array"
                                : member ? "a struct"
                                         : article(glslType(type))) +
                               " uniform, so it keeps 0; " + insteadOf(type, array, member));
            continue;
        }
        const int unit = sizeUniformUnit(name);
        if (unit >= 0 && (type != GL_FLOAT_VEC4 || unit >= samplers)) {
            problems.push_back(
                place + declared + " receives no texture size: " +
                (type != GL_FLOAT_VEC4
                     ? std::string("the engine sends sizes as vec4; declare it as vec4")
                     : (samplers == 0
                            ? std::string("the shader uses no sampler2D")
                            : "the sampler2D uniforms the shader uses take " +
                                  (samplers == 1 ? std::string("unit 0")
                                                 : "units 0 to " + std::to_string(samplers - 1))) +
                           "; a size uniform is numbered by the unit of its sampler"));
        }
    }
    return problems;
}

std::string mainInCommentHint(const std::string& source, const std::string& file) {
    // The engine renames the first "main" with whitespace before it and "("
    // after it, wherever it stands; find it and whether a comment holds it.
    bool inBlock = false;
    bool inLine = false;
    int line = 1;
    for (std::size_t at = 0; at < source.size(); ++at) {
        const char c = source[at];
        if (c == '\n') {
            ++line;
            inLine = false;
        } else if (!inBlock && !inLine && source.compare(at, 2, "//") == 0) {
            inLine = true;
        } else if (!inLine && !inBlock && source.compare(at, 2, "/*") == 0) {
            inBlock = true;
        } else if (inBlock && source.compare(at, 2, "*/") == 0) {
            inBlock = false;
        } else if (at > 0 && isSpace(source[at - 1]) && source.compare(at, 4, "main") == 0) {
            std::size_t next = at + 4;
            while (next < source.size() && isSpace(source[next])) ++next;
            if (next < source.size() && source[next] == '(') {
                if (!inBlock && !inLine)
                    return {};
                return "    " + file + ":" + std::to_string(line) +
                       ": the engine renames the first \"main(\" of the text to wrap it, and this "
                       "one is in a comment: the real main() keeps its name and clashes with the "
                       "engine's own main(); reword the comment so that no \"(\" follows "
                       "\"main\" (for instance \"the main function\")";
            }
        }
    }
    return {};
}

std::vector<std::string> unknownUniformSets(const Shader& shader, const std::string& file,
                                            const std::string& script,
                                            const std::set<std::string>& effectUniforms) {
    std::vector<std::string> found;
    // The uniforms of this shader nothing sets: what a misspelt set missed.
    std::vector<std::string> unset;
    for (const Parameter& record : shader.uniforms) {
        if (shader.use.setUniforms().count(record.name) == 0)
            unset.push_back(record.name);
    }
    for (const auto& [name, line] : shader.use.unknownNames()) {
        const std::string meant = likelyMeant(name, unset);
        if (declarationLine(shader.source, name) > 0 ||
            (meant.empty() && effectUniforms.count(name) > 0))
            continue;
        const ScriptLocation location = locateScriptError(ScriptError{"", line}, script);
        const std::string place = location.place == ScriptLocation::InScript
                                      ? "fx.js:" + std::to_string(location.line) + ": "
                                      : "fx.js: ";
        found.push_back(place + "the script sets \"" + name + "\" on shader \"" +
                        std::string(shader.name.begin(), shader.name.end()) + "\" (" + file +
                        "), which has no uniform of that name, so the value goes nowhere" +
                        (meant.empty() ? std::string() : "; did you mean \"" + meant + "\"?"));
    }
    return found;
}

std::vector<std::string> unsetUniforms(const Shader& shader, const std::string& file) {
    std::vector<std::string> found;
    if (!shader.use.wasDrawn())
        return found;
    for (const Parameter& record : shader.uniforms) {
        const bool settable =
            record.kind != QS_Type::UNKNOWN || shader.integerVectors.count(record.name) > 0;
        if (!settable || record.arraySize > 1 || sizeUniformUnit(record.name) >= 0 ||
            shader.use.setUniforms().count(record.name) > 0)
            continue;
        const int line = declarationLine(shader.source, record.name);
        std::string text =
            file + (line > 0 ? ":" + std::to_string(line) : "") + ": uniform \"" + record.name +
            "\" is never set by the script, so it stays " +
            (record.kind == QS_Type::LAYER ? "reading no texture (black)" : std::string("0"));
        std::vector<std::string> unknown;
        for (const auto& entry : shader.use.unknownNames()) unknown.push_back(entry.first);
        const std::string meant = likelyMeant(record.name, unknown);
        if (!meant.empty())
            text += "; the script sets \"" + meant + "\", which the shader lacks";
        found.push_back(text + "; set it with QS_setShaderParamVal or QS_setShaderParam");
    }
    return found;
}
