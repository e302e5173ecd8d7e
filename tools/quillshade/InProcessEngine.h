#pragma once
// The engine linked into this tool, reached as a host reaches a module's.
//
// A module keeps its engine to itself (its symbols are hidden) and exports its
// entry point alone, so what its engine records, such as script errors or
// frame statistics, cannot be read from outside it. A command that needs them
// loads the module only for its instance handle, through which the engine
// reads the package from the module's file, and sends every command here
// instead (EffectModule's constructor taking an entry point); the state of
// this engine it can inspect between commands. The engine is process-wide:
// one effect per process.

#include "HostInterface.h"

PF_Err inProcessEntryPoint(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                           PF_ParamDef* params[], PF_LayerDef* output, void* extra);
