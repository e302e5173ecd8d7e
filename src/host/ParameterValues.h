#pragma once
// The host's parameter values brought into the current instance's copy of
// the parameters; layer parameters' images go to their textures.

#include "HostInterface.h"

// Reads every published parameter; without `allKinds` LAYER, TEXTURE and PATH
// parameters are skipped (they are read only when a frame is rendered).
void readParameterValues(PF_InData* in_data, bool allKinds);

// Converts one host parameter into the store, through positionByHostIndex.
void convertHostValue(PF_InData* in_data, PF_ParamDef* paramDef, std::uint32_t hostIndex);
