#include "CoffSymbols.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderOffsetAt = 0x3c;
constexpr std::size_t kSymbolPointer = 12;  // in the COFF header, after "PE\0\0"
constexpr std::size_t kSymbolCount = 16;

std::uint32_t read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
           std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

void write32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = std::uint8_t(value >> (8 * i));
}

// The offset of "PE\0\0", or 0 when the bytes are no PE image.
std::size_t peHeader(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < kHeaderOffsetAt + 4)
        return 0;
    const std::size_t at = read32(bytes, kHeaderOffsetAt);
    if (at == 0 || at > bytes.size() - 24 || std::memcmp(&bytes[at], "PE\0\0", 4) != 0)
        return 0;
    return at;
}

}  // namespace

void followMovedSymbolTable(const std::vector<std::uint8_t>& original,
                            std::vector<std::uint8_t>& updated) {
    const std::size_t before = peHeader(original), after = peHeader(updated);
    if (before == 0 || after == 0)
        return;
    const std::uint32_t symbols = read32(original, before + kSymbolPointer);
    if (symbols == 0 || symbols >= original.size())
        return;
    const std::size_t tail = original.size() - symbols;
    const bool moved =
        updated.size() >= tail && std::equal(original.begin() + symbols, original.end(),
                                             updated.end() - static_cast<std::ptrdiff_t>(tail));
    if (moved) {
        write32(updated, after + kSymbolPointer, std::uint32_t(updated.size() - tail));
    } else {
        write32(updated, after + kSymbolPointer, 0);
        write32(updated, after + kSymbolCount, 0);
    }
}
