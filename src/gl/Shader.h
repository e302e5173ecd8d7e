#pragma once
// One GL program: a fixed pass-through vertex shader and an effect author's
// fragment shader, rewritten for the host's channel order before it is
// compiled. After linking, the active uniforms are listed as typed records
// whose values the script sets; drawing applies them and covers the bound
// render target's viewport with one quad.
//
// All operations issue GL calls and run with the GL context held. A shader
// whose GL names are 0 (the registry's null entity among them) is not usable.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "entities/EntityFactory.h"
#include "entities/EntityHandle.h"
#include "entities/Parameter.h"
#include "gl/UniformUse.h"

class Shader {
public:
    class Factory;

    // The vertex stage of every program: passes position, colour and four
    // texture coordinate sets through unchanged.
    static const char kVertexSource[];

    Shader() = default;
    // Deletes the GL objects.
    virtual ~Shader();
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;

    // Drops any old objects, makes the two shader objects and the program,
    // attaches them and compiles the vertex stage. False when that compile
    // failed (errorText says why).
    virtual bool create();
    // Deletes whichever GL objects exist, forgets their names and clears
    // errorText.
    virtual void deleteObjects();
    // Rewrites and compiles `text` as the fragment stage, links, and lists the
    // uniforms. An empty text returns false and changes nothing; a failure
    // leaves its message in errorText.
    virtual bool compile(const std::string& text);
    // Reads the fragment source from the file (package first) and compiles it.
    // An empty path returns false and changes nothing.
    virtual bool load(const std::wstring& fileName);
    // create(), then compile the stored source or load the stored path again.
    virtual bool reload(bool fromSource);
    // Makes the program current for a draw; false for an unusable shader.
    virtual bool bind();
    virtual void noop() {}
    // Applies the uniforms and draws one quad over the viewport; with flip the
    // texture coordinates run from top to bottom. Nothing for a failed shader.
    virtual void draw(bool flip);

    // Compiles one shader object from the prelude and `text`.
    bool compileObject(std::uint32_t glShader, const std::string& text);
    // Compiles one shader object from these source strings, in order.
    bool compileStrings(std::uint32_t glShader, const std::vector<std::string>& strings);
    // Replaces `uniforms` with the program's active uniforms.
    void reflectUniforms();
    // Sends every uniform record's value to GL; samplers take texture units
    // in record order, starting at nextTextureUnit, and set the size uniforms
    // of their units after all other records.
    void applyUniforms();
    // glGetUniformLocation through a cache that remembers -1 as well.
    std::int32_t uniformLocation(const std::string& uniformName);
    // The index of the record called `uniformName` in `uniforms`, or -1.
    std::int32_t findUniform(const std::string& uniformName);
    // The record called `uniformName`, or a blank record of kind 0 that is
    // shared by every miss (cleared on each miss, so writes to it never last).
    Parameter& uniform(const std::string& uniformName);

    std::wstring name;
    std::wstring path;
    std::string errorText;
    std::string source;
    std::uint32_t vertexShader = 0;
    std::uint32_t fragmentShader = 0;
    std::uint32_t program = 0;
    std::uint32_t nextTextureUnit = 0;
    std::vector<Parameter> uniforms;
    std::map<std::string, std::int32_t> locationCache;
    std::map<std::string, std::int32_t> indexCache;
    // Uniforms of integer and boolean vector types (ivec2 … bvec4) by name,
    // with their number of components. Their records have kind 0, so nothing
    // else treats them as settable; the script sets them by name, and their
    // components are kept as 32-bit integers in the record's value.
    std::map<std::string, std::uint32_t> integerVectors;
    // What the script asked of the uniforms since the last compile.
    UniformUse use;

private:
    void applyUniform(const Parameter& record);
    void bindSampler(const Parameter& record);
};

class Shader::Factory : public EntityFactory<Shader, EntityHandle::ShaderBase> {};
