#pragma once
// The script's own names of an effect's parameters. The host sees only their
// labels; the names live inside the engine, which a module keeps to itself,
// so the tool starts its own engine on the module's package to read them.

#include <map>
#include <string>

class EffectModule;

// Label by script name for every parameter the script declares; empty when
// the effect cannot be started. When the tool's engine already runs the
// effect (`started`), its parameters are read as they are.
std::map<std::string, std::string> declaredParameterLabels(const EffectModule& module,
                                                           bool started);
