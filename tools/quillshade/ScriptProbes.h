#pragma once
// Mistakes a script makes that the engine lets pass in silence, caught while
// the check renders frames with the tool's engine: probes wrap the script's
// QS_ functions and note, with the fx.js line of each call,
//   - a surface read from a 16-bit render target or texture (its values run
//     0..65535, the GPU's range) that QS_surfaceQuantize then treats as
//     0..32768, the host's range, so the result comes out at half value;
//   - QS_surfaceCopyTo from a surface into a target of another depth;
//   - QS_getParamValue of something that is no declared parameter;
//   - a step into the output that leaves the picture upside down (flip
//     false where its source has its top row at t = 0);
//   - a draw() that never writes the output.
// Each finding says what to do.

#include <string>
#include <vector>

#include "SimulatedHost.h"

// Installs the probes into the running script, renders one frame of `frame`
// at 8 bits and, when the effect takes 16-bit frames, one at 16 bits, and
// returns the findings. `script` is fx.js, for its line numbers.
std::vector<std::string> probeScriptUsage(SimulatedHost& host, InstanceId instance,
                                          const HostWorld& frame, const std::string& script);
