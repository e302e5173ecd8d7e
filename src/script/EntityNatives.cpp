// The natives that create and drive render targets, shader programs and
// textures. They run with the GL context current.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "entities/Context.h"
#include "entities/EntityHandle.h"
#include "entities/Parameter.h"
#include "gl/RenderTarget.h"
#include "gl/Shader.h"
#include "gl/Texture.h"
#include "host/FrameStatistics.h"
#include "host/GpuPassTimes.h"
#include "script/NativeResults.h"
#include "script/ScriptArgs.h"
#include "script/ScriptNatives.h"
#include "script/TextureSource.h"

namespace {

// A value the script passes to leave a uniform as it is.
constexpr float kKeepFloat = -12345678.0f;
constexpr std::int32_t kKeepInt = -12345678;

bool isKind(std::uint32_t handle, std::uint32_t base) {
    return EntityHandle::kindOf(handle) == base;
}

// Usable means its GL objects exist; one whose compile failed still is, and
// only refuses to bind.
bool usable(const Shader& shader) {
    return shader.program != 0 && shader.vertexShader != 0 && shader.fragmentShader != 0;
}

bool usable(const RenderTarget& target) {
    return target.framebuffer != 0 && target.texture != 0;
}

// The usable shader that `handle` names, or null.
Shader* usableShader(std::uint32_t handle) {
    if (!isKind(handle, EntityHandle::ShaderBase))
        return nullptr;
    Shader& shader = Context::instance().getShader(handle);
    return usable(shader) ? &shader : nullptr;
}

// The usable render target that `handle` names, or null.
RenderTarget* usableTarget(std::uint32_t handle) {
    if (!isKind(handle, EntityHandle::RenderTargetBase))
        return nullptr;
    RenderTarget& target = Context::instance().getRenderTarget(handle);
    return usable(target) ? &target : nullptr;
}

// The line of the evaluated text that called the running native; 0 when it
// cannot be told.
int callerLine(duk_context* ctx) {
    duk_inspect_callstack_entry(ctx, -2);
    int line = 0;
    if (duk_is_object(ctx, -1)) {
        duk_get_prop_string(ctx, -1, "lineNumber");
        line = duk_get_int_default(ctx, -1, 0);
        duk_pop(ctx);
    }
    duk_pop(ctx);
    return line;
}

// Notes a set of `name` on the shader behind `handle` for the tools' checks.
// Finding the caller's line allocates, which may run finalizers that release
// the shader, so the shader is looked up again after it.
void noteUniformSet(duk_context* ctx, std::uint32_t handle, const std::string& name) {
    Shader* shader = usableShader(handle);
    if (shader == nullptr)
        return;
    if (shader->findUniform(name) >= 0) {
        shader->use.set(name);
        return;
    }
    if (!shader->use.keeps(name))
        return;
    const int line = callerLine(ctx);
    if (Shader* again = usableShader(handle))
        again->use.setUnknown(name, line);
}

duk_ret_t resultHandle(duk_context* ctx, std::uint32_t handle) {
    return resultNumber(ctx, handle);
}

duk_ret_t resultExtent(duk_context* ctx, const Texture& texture) {
    const double extent[3] = {static_cast<double>(texture.width),
                              static_cast<double>(texture.height),
                              static_cast<double>(texture.depth)};
    return resultArray(ctx, extent, std::size(extent));
}

// Truncation toward zero where the result fits; NaN and values beyond the
// signed 32-bit range give the smallest integer, as the processor's own
// conversion does.
std::int32_t truncateOrLowest(double number) {
    if (!(number > -2147483649.0 && number < 2147483648.0))
        return INT32_MIN;
    return static_cast<std::int32_t>(number);
}

// A uniform's new value: `count` floats, or one integer word when count is 0,
// or `count` integer words for an integer or boolean vector.
struct UniformValue {
    float floats[4] = {};
    size_t count = 0;
    std::int32_t word = 0;
    bool integers = false;
};

// Converts the argument at `idx` for a uniform of `kind`; false when the
// uniform is to stay as it is.
bool argUniformValue(duk_context* ctx, duk_idx_t idx, std::uint32_t kind, UniformValue& out) {
    switch (kind) {
        case QS_Type::FLOAT:
        case QS_Type::ANGLE:
            out.floats[0] = static_cast<float>(argNumber(ctx, idx));
            out.count = 1;
            return out.floats[0] != kKeepFloat;
        case QS_Type::POINT:
        case QS_Type::COLOR:
        case QS_Type::POINT2D: {
            out.count = kind == QS_Type::POINT ? 3 : kind == QS_Type::COLOR ? 4 : 2;
            double elements[4];
            if (!argVector(ctx, idx, elements, out.count))
                return false;
            std::copy(elements, elements + out.count, out.floats);
            return true;
        }
        case QS_Type::LAYER:
            out.word = static_cast<std::int32_t>(textureSource(argHandle(ctx, idx)).texture);
            return true;
        case QS_Type::BOOL:
        case QS_Type::POPUP:
            out.word = truncateOrLowest(argNumber(ctx, idx));
            return out.word != kKeepInt;
        default:
            return false;
    }
}

// Converts the argument at `idx` for an integer or boolean vector of `size`
// components: an array of numbers, each truncated like an int uniform's.
bool argIntegerVector(duk_context* ctx, duk_idx_t idx, std::uint32_t size, UniformValue& out) {
    double elements[4];
    if (size < 2 || size > 4 || !argVector(ctx, idx, elements, size))
        return false;
    out.count = size;
    out.integers = true;
    for (std::uint32_t i = 0; i < size; ++i) {
        const std::int32_t word = truncateOrLowest(elements[i]);
        std::memcpy(&out.floats[i], &word, sizeof word);
    }
    return true;
}

// Writes the value when it differs from the uniform's (a NaN always differs)
// and keeps in `changed` whether it did.
void storeUniform(Parameter& uniform, const UniformValue& value) {
    bool differs = false;
    if (value.count == 0) {
        differs = uniform.intValue() != value.word;
        if (differs)
            uniform.setIntValue(value.word);
    } else {
        // Integer words are compared as bits, which floats cannot be.
        for (size_t i = 0; i < value.count; ++i)
            differs = differs || (value.integers ? std::memcmp(&uniform.value[i], &value.floats[i],
                                                               sizeof(float)) != 0
                                                 : !(uniform.value[i] == value.floats[i]));
        if (differs)
            std::copy(value.floats, value.floats + value.count, uniform.value);
    }
    uniform.changed = differs ? 1 : 0;
}

duk_ret_t initRenderTarget(duk_context* ctx) {
    const auto width = static_cast<std::uint32_t>(argInt(ctx, 0));
    const auto height = static_cast<std::uint32_t>(argInt(ctx, 1));
    const auto depth = static_cast<std::uint32_t>(argInt(ctx, 2));
    return resultHandle(ctx, Context::instance().createRenderTarget(width, height, depth));
}

duk_ret_t blitRenderTarget(duk_context* ctx) {
    const std::uint32_t sourceHandle = argHandle(ctx, 0);
    const std::uint32_t targetHandle = argHandle(ctx, 1);
    const bool flip = argBool(ctx, 2);
    const bool linear = argBool(ctx, 3);
    const RenderTarget* source = usableTarget(sourceHandle);
    const RenderTarget* target = usableTarget(targetHandle);
    if (source == nullptr || target == nullptr)
        return resultBool(ctx, false);
    RenderTarget::blit(*source, *target, flip, linear);
    FrameStatistics::finishGpuWork();
    return resultBool(ctx, true);
}

duk_ret_t getSurfaceDim(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    if (const RenderTarget* target = usableTarget(handle))
        return resultExtent(ctx, *target);
    if (isKind(handle, EntityHandle::TextureBase)) {
        const Texture& texture = Context::instance().getTexture(handle);
        if (texture.texture != 0)
            return resultExtent(ctx, texture);
    }
    return resultBool(ctx, false);
}

duk_ret_t getSequenceRT(duk_context* ctx) {
    const Sequence* sequence = Context::instance().currentSequence();
    return resultHandle(ctx, sequence != nullptr ? sequence->sequenceRenderTarget : 0);
}

duk_ret_t getSequenceTexture(duk_context* ctx) {
    const Sequence* sequence = Context::instance().currentSequence();
    return resultHandle(ctx, sequence != nullptr ? sequence->sequenceTexture : 0);
}

duk_ret_t initShader(duk_context* ctx) {
    const duk_idx_t given = duk_get_top(ctx);
    if (given == 0)
        return resultHandle(ctx, 0);
    const std::string file = argString(ctx, 0);
    std::string source = given >= 2 ? argString(ctx, 1) : std::string();
    // An explicit undefined still names the package file.
    if (source == "undefined")
        source.clear();
    return resultHandle(ctx, Context::instance().createShader(file, source));
}

duk_ret_t setShaderParam(duk_context* ctx) {
    const std::uint32_t shaderHandle = argHandle(ctx, 0);
    const std::uint32_t parameterHandle = argHandle(ctx, 1);
    if (!isKind(shaderHandle, EntityHandle::ShaderBase) ||
        !isKind(parameterHandle, EntityHandle::ParameterBase))
        return resultBool(ctx, false);
    // A copy: noting the set may run finalizers that release the parameter.
    const Parameter parameter = Context::instance().getParameter(parameterHandle);
    if (parameter.id == 0 || usableShader(shaderHandle) == nullptr)
        return resultBool(ctx, false);
    noteUniformSet(ctx, shaderHandle, parameter.name);
    Shader* shader = usableShader(shaderHandle);
    if (shader == nullptr)
        return resultBool(ctx, false);
    const std::int32_t index = shader->findUniform(parameter.name);
    if (index >= 0) {
        Parameter& uniform = shader->uniforms[static_cast<size_t>(index)];
        if (uniform.kind == parameter.kind)
            std::copy(std::begin(parameter.value), std::end(parameter.value), uniform.value);
    }
    return resultBool(ctx, true);
}

duk_ret_t getShaderParamType(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const std::string name = argString(ctx, 1);
    Shader* shader = usableShader(handle);
    if (shader == nullptr)
        return resultNumber(ctx, 0);
    const std::int32_t index = shader->findUniform(name);
    return resultNumber(ctx, index >= 0 ? shader->uniforms[static_cast<size_t>(index)].kind : 0);
}

duk_ret_t renderShader(duk_context* ctx) {
    const std::uint32_t shaderHandle = argHandle(ctx, 0);
    const std::uint32_t targetHandle = argHandle(ctx, 1);
    const bool flip = argBool(ctx, 2);
    std::array<float, 4> viewport = {-1, 0, 0, 0};
    double rectangle[4];
    if (argVector(ctx, 3, rectangle, viewport.size()))
        std::copy(std::begin(rectangle), std::end(rectangle), viewport.begin());
    if (!isKind(targetHandle, EntityHandle::RenderTargetBase))
        return resultBool(ctx, false);
    Shader* shader = usableShader(shaderHandle);
    if (shader == nullptr)
        return resultBool(ctx, false);
    // A usable shader succeeds even when there is no target to draw into.
    if (const RenderTarget* target = usableTarget(targetHandle)) {
        target->bindAsTarget(viewport);
        if (shader->bind()) {
            shader->use.drawn();
            {
                const GpuPassTimes::Pass pass(*shader, *target);
                shader->draw(flip);
            }
            FrameStatistics::finishGpuWork();
        }
    }
    return resultBool(ctx, true);
}

duk_ret_t setShaderParamVal(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const std::string name = argString(ctx, 1);
    noteUniformSet(ctx, handle, name);
    Shader* shader = usableShader(handle);
    if (shader == nullptr)
        return resultBool(ctx, false);
    const std::int32_t tested = shader->findUniform(name);
    if (tested < 0)
        return resultBool(ctx, true);
    // A TEXTURE uniform (named like a TEXTURE parameter) is left alone.
    const std::uint32_t kind = shader->uniforms[static_cast<size_t>(tested)].kind;
    UniformValue value;
    const auto vector = shader->integerVectors.find(name);
    const bool converted = kind == QS_Type::UNKNOWN && vector != shader->integerVectors.end()
                               ? argIntegerVector(ctx, 2, vector->second, value)
                               : argUniformValue(ctx, 2, kind, value);
    if (!converted)
        return resultBool(ctx, true);
    // The conversion may have run the script's own code, which may have
    // released or recompiled the shader: look it up again.
    shader = usableShader(handle);
    const std::int32_t index = shader != nullptr ? shader->findUniform(name) : -1;
    if (index >= 0 && shader->uniforms[static_cast<size_t>(index)].kind == kind)
        storeUniform(shader->uniforms[static_cast<size_t>(index)], value);
    return resultBool(ctx, true);
}

duk_ret_t getShaderError(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    if (!isKind(handle, EntityHandle::ShaderBase))
        return resultString(ctx, "Id is not a shader!");
    const std::string text = Context::instance().getShader(handle).errorText;
    return resultString(ctx, text);
}

duk_ret_t initTexture(duk_context* ctx) {
    const duk_idx_t given = duk_get_top(ctx);
    if (given == 0)
        return resultHandle(ctx, 0);
    const std::string file = argString(ctx, 0);
    // A second argument is converted, for what its conversion may do, and
    // otherwise ignored.
    if (given >= 2)
        argString(ctx, 1);
    return resultHandle(ctx, Context::instance().createTextureFromImage(file));
}

duk_ret_t setTextureParam(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const std::int32_t name = argInt(ctx, 1);
    const std::int32_t value = argInt(ctx, 2);
    Texture& texture = textureSource(handle);
    if (texture.texture == 0)
        return resultBool(ctx, false);
    texture.setParameter(static_cast<std::uint32_t>(name), value);
    return resultBool(ctx, true);
}

const NativeFunction kEntityNatives[] = {
    {"QS_initRenderTarget", initRenderTarget, 3},
    {"QS_blitRenderTarget", blitRenderTarget, 4},
    {"QS_getSurfaceDim", getSurfaceDim, 1},
    {"QS_getSequenceRT", getSequenceRT, 0},
    {"QS_getSequenceTexture", getSequenceTexture, 0},
    {"QS_initShader", initShader, DUK_VARARGS},
    {"QS_setShaderParam", setShaderParam, 2},
    {"QS_getShaderParamType", getShaderParamType, 2},
    {"QS_renderShader", renderShader, 4},
    {"QS_setShaderParamVal", setShaderParamVal, 3},
    {"QS_getShaderError", getShaderError, 1},
    {"QS_initTexture", initTexture, DUK_VARARGS},
    {"QS_setTextureParam", setTextureParam, 3},
};

}  // namespace

NativeTable entityNatives() {
    return {kEntityNatives, std::size(kEntityNatives)};
}
