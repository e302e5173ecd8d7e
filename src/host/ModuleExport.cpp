// The one symbol an effect module exports: the host's effect entry point.
#include <type_traits>

#include "HostInterface.h"
#include "host/CommandDispatch.h"

#ifdef _WIN32
#define QS_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define QS_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

QS_MODULE_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                       PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    return dispatchCommand(engineCommands(), cmd, in_data, out_data, params, output, extra);
}

// The host calls the export through its entry-point type.
static_assert(std::is_same_v<decltype(&EntryPointFunc), PF_FilterProc>);
