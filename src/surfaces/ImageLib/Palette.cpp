#include "surfaces/ImageLib/Palette.h"

#include <algorithm>
#include <numeric>

namespace ImageLib {

namespace {

float channel(const Pixel32& pixel, int c) {
    return c == 0 ? pixel.alpha : (c == 1 ? pixel.red : (c == 2 ? pixel.green : pixel.blue));
}

}  // namespace

void Palette::prepare(std::uint32_t count) {
    size = std::min(count, kCapacity);
    std::iota(treeIndex, treeIndex + size, std::uint16_t{0});
    if (size > 0) {
        std::uint16_t nodeCount = 0;
        build(0, static_cast<std::uint16_t>(size), nodeCount);
    }
    for (std::uint32_t i = 0; i < size; ++i) {
        treeColours[i] = colours[treeIndex[i]];
    }
}

// Splits along the channel of widest spread, alpha included since distances
// cover it, so boxes stay tight in every direction.
std::uint16_t Palette::build(std::uint16_t first, std::uint16_t count, std::uint16_t& nodeCount) {
    const std::uint16_t node = nodeCount++;
    Pixel32 low = colours[treeIndex[first]];
    Pixel32 high = low;
    for (std::uint16_t i = first; i < first + count; ++i) {
        const Pixel32& c = colours[treeIndex[i]];
        low = {std::min(low.alpha, c.alpha), std::min(low.red, c.red), std::min(low.green, c.green),
               std::min(low.blue, c.blue)};
        high = {std::max(high.alpha, c.alpha), std::max(high.red, c.red),
                std::max(high.green, c.green), std::max(high.blue, c.blue)};
    }
    nodes[node] = {low, high, first, count, {0, 0}};
    if (count <= kLeafColours) {
        return node;
    }
    int widest = 0;
    for (int c = 1; c < 4; ++c) {
        if (channel(high, c) - channel(low, c) > channel(high, widest) - channel(low, widest)) {
            widest = c;
        }
    }
    const std::uint16_t half = count / 2;
    std::nth_element(treeIndex + first, treeIndex + first + half, treeIndex + first + count,
                     [this, widest](std::uint16_t a, std::uint16_t b) {
                         return channel(colours[a], widest) < channel(colours[b], widest);
                     });
    const std::uint16_t left = build(first, half, nodeCount);
    const std::uint16_t right =
        build(static_cast<std::uint16_t>(first + half), count - half, nodeCount);
    nodes[node].children[0] = left;
    nodes[node].children[1] = right;
    return node;
}

}  // namespace ImageLib
