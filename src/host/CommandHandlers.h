#pragma once
// The engine's command handlers, one per host selector it answers.

#include "HostInterface.h"

#define QS_COMMAND_HANDLER(name)                                                 \
    PF_Err name(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], \
                PF_LayerDef* output, void* extra)

QS_COMMAND_HANDLER(aboutCommand);
QS_COMMAND_HANDLER(globalSetupCommand);
QS_COMMAND_HANDLER(paramsSetupCommand);
QS_COMMAND_HANDLER(sequenceSetupCommand);
QS_COMMAND_HANDLER(sequenceResetupCommand);
QS_COMMAND_HANDLER(sequenceFlattenCommand);
QS_COMMAND_HANDLER(sequenceSetdownCommand);
QS_COMMAND_HANDLER(dialogCommand);
QS_COMMAND_HANDLER(frameSetupCommand);
QS_COMMAND_HANDLER(renderCommand);
QS_COMMAND_HANDLER(frameSetdownCommand);
QS_COMMAND_HANDLER(userChangedParamCommand);
QS_COMMAND_HANDLER(updateParamsUiCommand);
QS_COMMAND_HANDLER(smartPreRenderCommand);
QS_COMMAND_HANDLER(smartRenderCommand);
