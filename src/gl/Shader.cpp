#include "gl/Shader.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstring>

#include "entities/Context.h"
#include "gl/FragmentAssembly.h"
#include "gl/FragmentRewriter.h"
#include "gl/ShaderTextBounds.h"
#include "platform/LargeStack.h"
#include "package/FileReads.h"

const char Shader::kVertexSource[] =
    "void main() { gl_Position = gl_Vertex; gl_TexCoord[0] = gl_MultiTexCoord0; gl_TexCoord[1] = "
    "gl_MultiTexCoord1; gl_TexCoord[2] = gl_MultiTexCoord2; gl_TexCoord[3] = gl_MultiTexCoord3; "
    "gl_FrontColor = gl_Color; }";

namespace {

constexpr GLsizei kLogSize = 4096;
constexpr GLsizei kUniformNameSize = 128;

std::uint32_t kindOfUniform(GLenum type, GLint arraySize) {
    if (arraySize > 1)
        return QS_Type::UNKNOWN;
    switch (type) {
        case GL_FLOAT:
            return QS_Type::FLOAT;
        case GL_FLOAT_VEC3:
            return QS_Type::POINT;
        case GL_FLOAT_VEC4:
            return QS_Type::COLOR;
        case GL_SAMPLER_2D:
            return QS_Type::LAYER;
        case GL_FLOAT_VEC2:
            return QS_Type::POINT2D;
        case GL_BOOL:
            return QS_Type::BOOL;
        case GL_INT:
            return QS_Type::POPUP;
        default:
            return QS_Type::UNKNOWN;
    }
}

// The components of an integer or boolean vector type; 0 for other types.
std::uint32_t integerVectorSize(GLenum type) {
    switch (type) {
        case GL_INT_VEC2:
        case GL_BOOL_VEC2:
            return 2;
        case GL_INT_VEC3:
        case GL_BOOL_VEC3:
            return 3;
        case GL_INT_VEC4:
        case GL_BOOL_VEC4:
            return 4;
        default:
            return 0;
    }
}

// Uniforms the engine's effects share by convention; hidden from the script's
// own parameter matching.
bool isStandardName(const std::string& name) {
    return name == "sInput0" || name == "resolution" || name == "time" || name == "_height_" ||
           name.find("s_Texture") != std::string::npos;
}

// The kind of the effect parameter called `name`, which a uniform of that
// name takes over; `kind` itself when no parameter has the name.
std::uint32_t kindOfParameterNamed(const std::string& name, std::uint32_t kind) {
    const Context& context = Context::instance();
    for (std::uint32_t position = 0; position < context.count(); ++position) {
        const Parameter& parameter = context.at(position);
        if (parameter.name == name)
            return parameter.kind;
    }
    return kind;
}

// A log that filled the buffer ends mid-line: keep its whole lines.
std::string wholeLines(const char* log) {
    std::string text(log);
    if (text.size() + 1 >= static_cast<std::size_t>(kLogSize) &&
        text.rfind('\n') != std::string::npos)
        text.erase(text.rfind('\n') + 1);
    return text;
}

}  // namespace

Shader::~Shader() {
    Shader::deleteObjects();
}

bool Shader::create() {
    deleteObjects();
    vertexShader = glCreateShader(GL_VERTEX_SHADER);
    fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
    program = glCreateProgram();
    if (program != 0) {
        if (vertexShader != 0)
            glAttachShader(program, vertexShader);
        if (fragmentShader != 0)
            glAttachShader(program, fragmentShader);
    }
    return compileObject(vertexShader, kVertexSource);
}

void Shader::deleteObjects() {
    if (vertexShader != 0)
        glDeleteShader(vertexShader);
    if (fragmentShader != 0)
        glDeleteShader(fragmentShader);
    if (program != 0)
        glDeleteProgram(program);
    vertexShader = 0;
    fragmentShader = 0;
    program = 0;
    errorText.clear();
}

bool Shader::compileObject(std::uint32_t glShader, const std::string& text) {
    return compileStrings(glShader, {kShaderPrelude, text});
}

bool Shader::compileStrings(std::uint32_t glShader, const std::vector<std::string>& strings) {
    if (glShader == 0)
        return false;
    std::vector<const char*> sources;
    for (const std::string& text : strings) sources.push_back(text.c_str());
    glShaderSource(glShader, static_cast<GLsizei>(sources.size()), sources.data(), nullptr);
    // The driver's compiler recurses over the program: give it the stack a
    // long shader needs, whatever the host's thread has.
    LargeStack::run([glShader] { glCompileShader(glShader); });
    GLint status = GL_FALSE;
    glGetShaderiv(glShader, GL_COMPILE_STATUS, &status);
    if (status == GL_TRUE) {
        errorText.clear();
        return true;
    }
    char log[kLogSize] = {};
    glGetShaderInfoLog(glShader, kLogSize, nullptr, log);
    errorText = "Shader compilation failed:\n" + wholeLines(log);
    return false;
}

bool Shader::compile(const std::string& text) {
    if (text.empty())
        return false;
    uniforms.clear();
    use.clear();
    locationCache.clear();
    indexCache.clear();
    integerVectors.clear();
    source = text;
    // What would crash or exhaust the driver's compiler never reaches it.
    const std::string refused = ShaderTextBounds::problem(text);
    if (!refused.empty()) {
        errorText = "Shader compilation failed:\nerror: " + refused;
        return false;
    }
    if (!compileStrings(fragmentShader, FragmentAssembly(source).strings()) || program == 0)
        return false;
    // Drivers optimise the program at link time, as deeply as they compile.
    LargeStack::run([this] { glLinkProgram(program); });
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        char log[kLogSize] = {};
        glGetProgramInfoLog(program, kLogSize, nullptr, log);
        errorText = "Program linking failed:\n" + wholeLines(log);
        return false;
    }
    reflectUniforms();
    errorText.clear();
    return true;
}

bool Shader::load(const std::wstring& fileName) {
    if (fileName.empty())
        return false;
    path = fileName;
    const std::string text = readFileText(path);
    if (text.empty()) {
        errorText = "Shader file not found or shader is empty!";
        return false;
    }
    return compile(text);
}

bool Shader::reload(bool fromSource) {
    const bool created = create();
    const bool loaded = fromSource ? compile(source) : load(path);
    return created && loaded;
}

bool Shader::bind() {
    if (!errorText.empty() || vertexShader == 0 || fragmentShader == 0 || program == 0)
        return false;
    glUseProgram(program);
    nextTextureUnit = 0;
    return true;
}

void Shader::draw(bool flip) {
    if (!errorText.empty() || program == 0)
        return;
    applyUniforms();
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DEPTH_TEST);
    for (const GLenum matrix : {GL_MODELVIEW, GL_PROJECTION}) {
        glMatrixMode(matrix);
        glPushMatrix();
        glLoadIdentity();
    }
    // Corners counter-clockwise from the bottom left; flip swaps t.
    static const GLfloat corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    glBegin(GL_QUADS);
    for (const auto& corner : corners) {
        const GLfloat s = corner[0] > 0 ? 1.0f : 0.0f;
        const GLfloat t = corner[1] > 0 ? 1.0f : 0.0f;
        glTexCoord2f(s, flip ? 1.0f - t : t);
        glVertex3f(corner[0], corner[1], 0.0f);
    }
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void Shader::reflectUniforms() {
    std::vector<Parameter> listed;
    std::map<std::string, std::uint32_t> vectors;
    GLint active = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &active);
    for (GLint index = 0; index < active; ++index) {
        char uniformName[kUniformNameSize] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(index), kUniformNameSize, nullptr, &size,
                           &type, uniformName);
        if (size == 0)
            continue;
        Parameter record;
        record.name = uniformName;
        record.kind = kindOfParameterNamed(record.name, kindOfUniform(type, size));
        if (record.kind == QS_Type::UNKNOWN && size == 1 && integerVectorSize(type) > 0)
            vectors[record.name] = integerVectorSize(type);
        record.arraySize = static_cast<std::uint32_t>(size);
        if (isStandardName(record.name))
            record.flags = ParamHidden;
        record.location = uniformLocation(record.name);
        listed.push_back(std::move(record));
    }
    uniforms = std::move(listed);
    integerVectors = std::move(vectors);
}

void Shader::applyUniforms() {
    // Samplers come last, in record order, so that the sizes they send to
    // the texture-size uniforms are not overwritten by those uniforms' own
    // records, whichever GL listed first.
    for (const Parameter& record : uniforms) {
        if (record.kind != QS_Type::LAYER)
            applyUniform(record);
    }
    for (const Parameter& record : uniforms) {
        if (record.kind == QS_Type::LAYER)
            bindSampler(record);
    }
}

void Shader::applyUniform(const Parameter& record) {
    const GLint location = record.location;
    switch (record.kind) {
        case QS_Type::FLOAT:
        case QS_Type::ANGLE:
            glUniform1f(location, record.value[0]);
            break;
        case QS_Type::POINT:
            glUniform3fv(location, 1, record.value);
            break;
        case QS_Type::COLOR:
            glUniform4fv(location, 1, record.value);
            break;
        case QS_Type::POINT2D:
            glUniform2fv(location, 1, record.value);
            break;
        case QS_Type::BOOL:
        case QS_Type::POPUP: {
            const GLint word = record.intValue();
            glUniform1iv(location, 1, &word);
            break;
        }
        default: {
            const auto vector = integerVectors.find(record.name);
            if (vector == integerVectors.end())
                break;
            GLint words[4];
            std::memcpy(words, record.value, sizeof words);
            if (vector->second == 2)
                glUniform2iv(location, 1, words);
            else if (vector->second == 3)
                glUniform3iv(location, 1, words);
            else
                glUniform4iv(location, 1, words);
            break;
        }
    }
}

void Shader::bindSampler(const Parameter& record) {
    const auto unit = static_cast<GLint>(nextTextureUnit);
    glActiveTexture(GL_TEXTURE0 + nextTextureUnit);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(record.intValue()));
    glUniform1i(record.location, unit);
    GLint width = 0;
    GLint height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    // Effects read a sampler's size, and its reciprocal for texel steps, from
    // either of these names.
    const GLfloat size[4] = {static_cast<GLfloat>(width), static_cast<GLfloat>(height),
                             1.0f / static_cast<GLfloat>(width),
                             1.0f / static_cast<GLfloat>(height)};
    for (const char* format : {"s_Texture%dParams", "Texture%dParams"}) {
        char sizeName[32];
        std::snprintf(sizeName, sizeof sizeName, format, unit);
        const std::int32_t location = uniformLocation(sizeName);
        if (location != -1)
            glUniform4fv(location, 1, size);
    }
    ++nextTextureUnit;
}

std::int32_t Shader::uniformLocation(const std::string& uniformName) {
    const auto cached = locationCache.find(uniformName);
    if (cached != locationCache.end())
        return cached->second;
    const std::int32_t location =
        program != 0 ? glGetUniformLocation(program, uniformName.c_str()) : -1;
    locationCache.emplace(uniformName, location);
    return location;
}

std::int32_t Shader::findUniform(const std::string& uniformName) {
    const auto cached = indexCache.find(uniformName);
    if (cached != indexCache.end())
        return cached->second;
    for (std::size_t index = 0; index < uniforms.size(); ++index) {
        if (uniforms[index].name == uniformName) {
            const auto found = static_cast<std::int32_t>(index);
            indexCache.emplace(uniformName, found);
            return found;
        }
    }
    return -1;
}

Parameter& Shader::uniform(const std::string& uniformName) {
    static Parameter missing;
    const std::int32_t index = findUniform(uniformName);
    if (index >= 0)
        return uniforms[static_cast<std::size_t>(index)];
    missing = Parameter();
    return missing;
}
