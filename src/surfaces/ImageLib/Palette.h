#pragma once
// The colours a quantization chooses from, and a tree of boxes over them that
// lets the vector search skip colours which cannot be nearest.

#include <cstdint>

#include "surfaces/ImageLib/Pixels.h"

namespace ImageLib {

class Palette {
public:
    static constexpr std::uint32_t kCapacity = 256;
    // Leaves hold at most this many colours; larger sets split at the median.
    static constexpr std::uint32_t kLeafColours = 4;
    // Every leaf of a split set holds at least two colours, so 256 colours
    // make at most 128 leaves and 255 nodes.
    static constexpr std::uint32_t kMaxNodes = kCapacity;

    // One box of the search tree: the smallest box around its colours, which
    // are tree entries first .. first + count - 1 (leaves) or those of its two
    // children (children[0] != 0; node 0 is the root, so never a child).
    struct Node {
        Pixel32 low;
        Pixel32 high;
        std::uint16_t first;
        std::uint16_t count;
        std::uint16_t children[2];
    };

    // Makes the first `count` colours the searched ones and builds the tree.
    void prepare(std::uint32_t count);

    // Starts all-zero: entries that a palette builder leaves alone are
    // (0, 0, 0, 0) and still take part in the search.
    Pixel32 colours[kCapacity] = {};
    std::uint32_t size = 0;

    // The searched colours in the order of the tree's leaves, with their
    // index in `colours`.
    Pixel32 treeColours[kCapacity];
    std::uint16_t treeIndex[kCapacity];
    Node nodes[kMaxNodes];

private:
    std::uint16_t build(std::uint16_t first, std::uint16_t count, std::uint16_t& nodeCount);
};

}  // namespace ImageLib
