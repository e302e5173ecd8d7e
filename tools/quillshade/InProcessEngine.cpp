#include "InProcessEngine.h"

#include "host/CommandDispatch.h"

PF_Err inProcessEntryPoint(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                           PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    return dispatchCommand(engineCommands(), cmd, in_data, out_data, params, output, extra);
}
