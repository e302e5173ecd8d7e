#pragma once
// Where the tool finds the modules built beside it.

#include <string>

// The bundled effect module, <tool folder>/modules/ReliefmakerFX.so.
std::string bundledModulePath();
