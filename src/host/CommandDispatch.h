#pragma once
// Routing of host commands to their handlers, behind the command lock.

#include <array>

#include "HostInterface.h"

using CommandHandler = PF_Err (*)(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                  PF_LayerDef* output, void* extra);

// One handler per selector the host defines; a null entry is a selector the engine
// does not handle, answered with 0. The event selector is decided by the
// dispatcher itself and its entry is not used.
using CommandTable = std::array<CommandHandler, PF_Cmd_NUM_CMDS>;

// One call of the entry point: waits for the command lock, runs the handler
// for `cmd` and turns whatever escapes it into the host's result (a thrown
// integer unchanged, anything else 515). The lock is released on every path.
PF_Err dispatchCommand(const CommandTable& table, PF_Cmd cmd, PF_InData* in_data,
                       PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                       void* extra);

// The command table of the engine.
const CommandTable& engineCommands();
