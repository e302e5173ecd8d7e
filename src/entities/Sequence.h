#pragma once
// The render state of one effect instance: its output render target, its
// input texture, the frame being rendered and its own copy of the declared
// parameters, which the host's values and the script's writes go to.

#include <cstdint>

#include "entities/ParametersHolder.h"

class Context;

class Sequence : public ParametersHolder {
public:
    // A record bound to `context` with no render target, no input texture,
    // time 0, no output extent and origin (0, 0). The parameter copy starts
    // empty; the context fills it.
    explicit Sequence(Context* context) : context(context) {}

    Context* context;
    std::uint32_t sequenceRenderTarget = 0;  // handle; 0 = none yet
    std::uint32_t sequenceTexture = 0;       // handle; 0 = none yet
    double time = 0;                         // seconds
    std::uint32_t outputWidth = 0;           // 0 = the input's width
    std::uint32_t outputHeight = 0;
    std::int32_t inputOriginX = 0;
    std::int32_t inputOriginY = 0;
};
