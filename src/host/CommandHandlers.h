#pragma once
// The engine's command handlers, one per host selector it answers.

#include "HostInterface.h"

#define QS_COMMAND_HANDLER(name)                                                 \
    PF_Err name(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], \
                PF_LayerDef* output, void* extra)

QS_COMMAND_HANDLER(aboutCommand);
QS_COMMAND_HANDLER(globalSetupCommand);
QS_COMMAND_HANDLER(dialogCommand);
