#pragma once
// Where the tool finds the modules built beside it: <tool folder>/modules.

#include <string>

// The bundled effect module, ReliefmakerFX.so.
std::string bundledModulePath();
// The bare engine module, which reads an effect's loose files.
std::string bareEngineModulePath();
