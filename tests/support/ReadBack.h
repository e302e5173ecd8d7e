#pragma once
// A render target's pixels as the engine reads them back: bottom row first,
// channels in host order (alpha, red, green, blue); empty when nothing could
// be read.

#include <vector>

#include "gl/RenderTarget.h"

template <typename T>
std::vector<T> readBack(RenderTarget& target) {
    const auto* mapped = reinterpret_cast<const T*>(target.readPixels());
    std::vector<T> values;
    if (mapped != nullptr)
        values.assign(mapped, mapped + std::size_t{target.width} * target.height * 4);
    RenderTarget::releasePixels();
    return values;
}
