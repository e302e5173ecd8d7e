#pragma once
// Publication of the script's parameters to the host and the interface pass
// that brings their enabled state and labels to it.

#include "HostInterface.h"

// The common interface pass; without `params` it only refreshes the index maps.
void applyParamUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]);
