#pragma once
// render's parameters: found by the name the host shows or the script's own,
// set from NAME=VALUE texts with errors that say what would have been right.

#include <string>
#include <utility>
#include <vector>

#include "EffectSource.h"
#include "SimulatedHost.h"

class RenderProgress;

// "NAME=VALUE" split at the first '='; `option` names the option in errors.
std::pair<std::string, std::string> assignment(const std::string& text, const char* option);

// The parameter by its label or script name. Throws std::runtime_error
// listing the effect's parameters, the closest first.
PF_ParamIndex findParameter(const SimulatedHost& host, OpenedEffect& effect,
                            const std::string& name);

// Each --set NAME=VALUE (or keyframes); slider values beyond the valid range
// are clamped as the host clamps them, with a warning through `progress`.
void setParameters(SimulatedHost& host, OpenedEffect& effect, InstanceId instance,
                   const std::vector<std::string>& sets, RenderProgress& progress);
