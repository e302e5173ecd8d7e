// The natives that declare the effect's parameters and read and write them.
// They act on the current instance's copy of a parameter once the instance
// holds one, and on the registry's record before that (during setup()).

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "entities/Context.h"
#include "entities/EntityHandle.h"
#include "entities/Parameter.h"
#include "script/NativeResults.h"
#include "script/ScriptArgs.h"
#include "script/ScriptNatives.h"

namespace {

// The parameter that `handle` names, or null for a handle of another kind or
// one that names no parameter.
Parameter* existingParameter(std::uint32_t handle) {
    if (EntityHandle::kindOf(handle) != EntityHandle::ParameterBase)
        return nullptr;
    Parameter& parameter = Context::instance().getParameter(handle);
    return parameter.id != 0 ? &parameter : nullptr;
}

// Reads `count` array elements at `idx` as 32-bit floats into `out`; false,
// leaving `out` alone, when the value is not an array.
bool argFloats(duk_context* ctx, duk_idx_t idx, float* out, size_t count) {
    double elements[4];
    if (!argVector(ctx, idx, elements, count))
        return false;
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<float>(elements[i]);
    return true;
}

// How many floats of `value` a kind uses; 0 for the kinds that keep none.
size_t floatCount(std::uint32_t kind) {
    switch (kind) {
        case QS_Type::FLOAT:
        case QS_Type::ANGLE:
            return 1;
        case QS_Type::POINT:
            return 3;
        case QS_Type::COLOR:
            return 4;
        case QS_Type::POINT2D:
            return 2;
        default:
            return 0;
    }
}

duk_ret_t initParam(duk_context* ctx) {
    const duk_idx_t given = duk_get_top(ctx);
    if (given < 2)
        return resultNumber(ctx, 0);
    const std::string name = argString(ctx, 0);
    const auto kind = static_cast<std::uint32_t>(argInt(ctx, 1));
    const std::string label = given >= 3 ? argString(ctx, 2) : std::string();
    return resultNumber(ctx, Context::instance().createParameter(name, kind, label));
}

duk_ret_t getParamValue(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const Parameter* parameter = existingParameter(handle);
    if (parameter == nullptr)
        return resultBool(ctx, false);
    switch (parameter->kind) {
        case QS_Type::FLOAT:
        case QS_Type::ANGLE:
            return resultNumber(ctx, parameter->value[0]);
        case QS_Type::POINT:
        case QS_Type::COLOR:
        case QS_Type::POINT2D: {
            double values[4];
            const size_t count = floatCount(parameter->kind);
            std::copy(parameter->value, parameter->value + count, values);
            return resultArray(ctx, values, count);
        }
        case QS_Type::LAYER:
        case QS_Type::TEXTURE:
            return resultNumber(ctx, parameter->texture);
        case QS_Type::BOOL:
        case QS_Type::POPUP:
            return resultNumber(ctx, parameter->intValue());
        default:
            // A kind without a value answers with the handle it was asked
            // about; no caller relies on it.
            return resultNumber(ctx, handle);
    }
}

duk_ret_t setParamValue(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const Parameter* tested = existingParameter(handle);
    if (tested == nullptr)
        return resultBool(ctx, false);
    const std::uint32_t kind = tested->kind;
    // The value is converted as the kind requires. A conversion may run the
    // script's own code, which may release the record, so it is looked up
    // again before the write.
    float floats[4];
    std::int32_t word = 0;
    bool store = true;
    switch (kind) {
        case QS_Type::FLOAT:
        case QS_Type::ANGLE:
            floats[0] = static_cast<float>(argNumber(ctx, 1));
            break;
        case QS_Type::POINT:
        case QS_Type::COLOR:
        case QS_Type::POINT2D:
            store = argFloats(ctx, 1, floats, floatCount(kind));
            break;
        case QS_Type::LAYER:
        case QS_Type::TEXTURE:
        case QS_Type::BOOL:
        case QS_Type::POPUP:
            word = argInt(ctx, 1);
            break;
        default:
            store = false;
            break;
    }
    Parameter* parameter = existingParameter(handle);
    if (!store || parameter == nullptr || parameter->kind != kind)
        return resultBool(ctx, true);
    if (kind == QS_Type::LAYER || kind == QS_Type::TEXTURE)
        parameter->texture = static_cast<std::uint32_t>(word);
    else if (kind == QS_Type::BOOL || kind == QS_Type::POPUP)
        parameter->setIntValue(word);
    else
        std::copy(floats, floats + floatCount(kind), parameter->value);
    return resultBool(ctx, true);
}

duk_ret_t setParamMinMax(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const Parameter* tested = existingParameter(handle);
    if (tested == nullptr)
        return resultBool(ctx, false);
    if (tested->kind != QS_Type::FLOAT)
        return resultBool(ctx, true);
    const auto minimum = static_cast<float>(argNumber(ctx, 1));
    const auto maximum = static_cast<float>(argNumber(ctx, 2));
    if (Parameter* parameter = existingParameter(handle)) {
        parameter->minimum[0] = minimum;
        parameter->maximum[0] = maximum;
    }
    return resultBool(ctx, true);
}

duk_ret_t setParamChoices(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const std::string choices = argString(ctx, 1);
    Parameter* parameter = existingParameter(handle);
    if (parameter == nullptr)
        return resultBool(ctx, false);
    parameter->setChoices(choices);
    return resultBool(ctx, true);
}

duk_ret_t setParamPrecision(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const std::int32_t precision = argInt(ctx, 1);
    Parameter* parameter = existingParameter(handle);
    if (parameter == nullptr)
        return resultBool(ctx, false);
    parameter->setPrecision(precision);
    return resultBool(ctx, true);
}

duk_ret_t setParamEnabled(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const std::int32_t enabled = argInt(ctx, 1);
    Parameter* parameter = existingParameter(handle);
    if (parameter == nullptr)
        return resultBool(ctx, false);
    if (enabled == 0)
        parameter->flags |= ParamDisabled;
    else
        parameter->flags &= ~static_cast<std::uint32_t>(ParamDisabled);
    return resultBool(ctx, true);
}

duk_ret_t setParamFlags(duk_context* ctx) {
    const std::uint32_t handle = argHandle(ctx, 0);
    const std::uint32_t flags = argFlags(ctx, 1);
    Parameter* parameter = existingParameter(handle);
    if (parameter == nullptr)
        return resultBool(ctx, false);
    parameter->flags = flags;
    return resultBool(ctx, true);
}

duk_ret_t getParamFlags(duk_context* ctx) {
    const Parameter* parameter = existingParameter(argHandle(ctx, 0));
    if (parameter == nullptr)
        return resultBool(ctx, false);
    // Signed, so that a precision of 128 or more reads negative.
    return resultNumber(ctx, static_cast<std::int32_t>(parameter->flags));
}

const NativeFunction kParameterNatives[] = {
    {"QS_initParam", initParam, DUK_VARARGS},   {"QS_getParamValue", getParamValue, 1},
    {"QS_setParamValue", setParamValue, 2},     {"QS_setParamMinMax", setParamMinMax, 3},
    {"QS_setParamChoices", setParamChoices, 2}, {"QS_setParamPrecision", setParamPrecision, 2},
    {"QS_setParamEnabled", setParamEnabled, 2}, {"QS_setParamFlags", setParamFlags, 2},
    {"QS_getParamFlags", getParamFlags, 1},
};

}  // namespace

NativeTable parameterNatives() {
    return {kParameterNatives, std::size(kParameterNatives)};
}
