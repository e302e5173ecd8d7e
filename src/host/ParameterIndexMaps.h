#pragma once
// The maps between parameter positions in the script's registry and the host's
// parameter indices, filled when parameters are published and used by every
// later exchange of values. Process-wide, never cleared.

#include <cstdint>
#include <map>

struct ParameterIndexMaps {
    std::map<std::uint32_t, std::uint32_t> hostIndexByPosition;
    std::map<std::uint32_t, std::uint32_t> positionByHostIndex;
    // Host index of the first published COLOR and POINT parameter; 0 until one is.
    std::uint32_t firstColorIndex = 0;
    std::uint32_t firstPointIndex = 0;
};

ParameterIndexMaps& parameterIndexMaps();
