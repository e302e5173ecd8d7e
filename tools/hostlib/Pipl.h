#pragma once
// The plug-in property list ("PIPL" resource, id 16000, language 1033) through
// which a host finds an effect module's entry point, name and flags.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PiplProperties {
    std::string kind = "eFKT";
    std::string name;
    std::string category;
    std::string entryPoint = "EntryPointFunc";
    std::uint32_t piplVersion = 2;
    std::uint16_t specMajor = 13;
    std::uint16_t specMinor = 2;
    std::uint32_t version = 0;
    std::uint16_t infoFlags = 0;
    std::uint32_t outFlags = 0;
    std::uint32_t outFlags2 = 0;
    std::string matchName;
    std::uint32_t reservedInfo = 8;
};

constexpr std::uint32_t kPiplResourceId = 16000;
constexpr std::uint16_t kPiplLanguage = 1033;

// The binary property list: a header (16-bit 1, 32-bit 0, 32-bit count), then
// per property vendor, key, id, padded length and data, little-endian.
std::vector<std::uint8_t> buildPipl(const PiplProperties& properties);

// Reads a property list; empty when the bytes are not one we understand.
std::optional<PiplProperties> parsePipl(const std::vector<std::uint8_t>& bytes);
