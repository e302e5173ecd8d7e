#pragma once
// What every frame command does first, and the sizes it negotiates.

#include <cstdint>

#include "HostInterface.h"
#include "host/SequenceData.h"

// Asks the host for the size and pixel aspect of the composition (or
// Premiere Pro sequence) that holds the effect's layer and stores them in the
// sequence data.
void queryComposition(PF_InData* in_data, SequenceData* block);

// Makes the instance of the sequence data current, gives the render context
// the composition extent and reads the host's parameter values.
SequenceData* prepareFrame(PF_InData* in_data, bool allKinds);

// x scaled by the host ratio num / den, rounded up as the host rounds the
// size of a layer it renders at reduced resolution (so that a frame and the
// layer it comes from agree), computed without overflow; exactly x for 1 / 1.
// A zero denominator leaves x unscaled.
std::uint32_t scaleByRatio(std::uint32_t x, const PF_RationalScale& ratio);

// Whether set-up commands take the GL context: not in After Effects 13.0 and
// 13.1, whose set-up commands run where the context must not be taken.
bool setupTakesGLContext(const PF_InData* in_data);
