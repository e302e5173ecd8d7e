// A module packed by the Windows tool keeps the way to its symbols and debug
// section names after the resource update moved them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "CoffSymbols.h"

namespace {

std::uint32_t at32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           std::uint32_t(bytes[at + 3]) << 24;
}

// A PE header at 0x40 whose symbol table (3 symbols) starts at 0x100 and
// runs, with its string table, to the end of the 0x180 bytes.
std::vector<std::uint8_t> moduleWithSymbols() {
    std::vector<std::uint8_t> bytes(0x180, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[0x3c] = 0x40;
    bytes[0x40] = 'P';
    bytes[0x41] = 'E';
    bytes[0x40 + 4 + 8] = 0x00;  // pointer to the symbol table: 0x100
    bytes[0x40 + 4 + 9] = 0x01;
    bytes[0x40 + 4 + 12] = 3;
    for (std::size_t i = 0x100; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i * 7);
    return bytes;
}

}  // namespace

TEST(CoffSymbols, ThePointerFollowsTheTailThatAGrownSectionMoved) {
    const std::vector<std::uint8_t> original = moduleWithSymbols();
    std::vector<std::uint8_t> updated = original;
    updated.insert(updated.begin() + 0xc0, 0x200, 0xee);  // .rsrc grew by 0x200
    followMovedSymbolTable(original, updated);
    EXPECT_EQ(at32(updated, 0x4c), 0x300u);
    EXPECT_EQ(at32(updated, 0x50), 3u);

    // The same module unchanged keeps its pointer.
    std::vector<std::uint8_t> same = original;
    followMovedSymbolTable(original, same);
    EXPECT_EQ(same, original);
}

TEST(CoffSymbols, AStalePointerIsClearedAndOtherFilesAreLeftAlone) {
    const std::vector<std::uint8_t> original = moduleWithSymbols();
    std::vector<std::uint8_t> updated = original;
    updated.back() ^= 0xff;  // the tail did not survive whole
    followMovedSymbolTable(original, updated);
    EXPECT_EQ(at32(updated, 0x4c), 0u);
    EXPECT_EQ(at32(updated, 0x50), 0u);

    std::vector<std::uint8_t> notAModule(16, 0x41), copy = notAModule;
    followMovedSymbolTable(copy, notAModule);
    EXPECT_EQ(notAModule, copy);
}
