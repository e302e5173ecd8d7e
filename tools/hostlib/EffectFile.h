#pragma once
// One file of an effect: its name at the top of the effect folder (and of the
// package archive) and its bytes.

#include <cstdint>
#include <string>
#include <vector>

struct EffectFile {
    std::string name;
    std::vector<std::uint8_t> data;
};
