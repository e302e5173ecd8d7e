#include "DisplayOrientation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

DisplayOrientation DisplayOrientation::fromMatrix(const std::int32_t* matrix,
                                                  std::string& ignored) {
    if (matrix == nullptr)
        return {};
    // libav's layout: a b u / c d v / x y w, the 2x2 in 16.16 fixed point.
    const double entries[4] = {matrix[0] / 65536.0, matrix[1] / 65536.0, matrix[3] / 65536.0,
                               matrix[4] / 65536.0};
    int whole[4];
    for (int i = 0; i < 4; ++i) {
        whole[i] = static_cast<int>(std::lround(entries[i]));
        // Players store cos and sin of a quarter turn rounded to 16 bits.
        if (std::abs(entries[i] - whole[i]) > 1e-3 || std::abs(whole[i]) > 1) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "its display matrix (%.3f %.3f / %.3f %.3f) is not quarter turns and "
                          "mirrors; the picture is read as stored",
                          entries[0], entries[1], entries[2], entries[3]);
            ignored = text;
            return {};
        }
    }
    const int a = whole[0], b = whole[1], c = whole[2], d = whole[3];
    // One of each row and column non-zero: a turn or a mirror, not a scale to nothing.
    if (std::abs(a * d - b * c) != 1 || (a != 0 && b != 0) || (c != 0 && d != 0)) {
        ignored = "its display matrix is degenerate; the picture is read as stored";
        return {};
    }
    return DisplayOrientation(a, b, c, d);
}

std::string DisplayOrientation::describe() const {
    // A mirror image is read as a left-right mirror followed by a turn.
    const bool mirrored = a_ * d_ - b_ * c_ < 0;
    const int a = mirrored ? -a_ : a_;
    const int b = mirrored ? -b_ : b_;
    const int degrees = a == 1 ? 0 : b == 1 ? 90 : a == -1 ? 180 : 270;
    std::string text = mirrored ? "mirrored left to right" : "";
    if (degrees != 0) {
        text += std::string(mirrored ? " and " : "") + "turned " +
                (degrees == 270 ? "90 degrees counterclockwise"
                                : std::to_string(degrees) + " degrees clockwise");
    }
    return text.empty() ? "upright" : text;
}

void DisplayOrientation::apply(const std::uint8_t* from, int width, int height,
                               std::size_t pixelBytes, std::uint8_t* to) const {
    const int turnedWidth = swapsSides() ? height : width;
    const int turnedHeight = swapsSides() ? width : height;
    // Where the stored picture's corners land, for the shift into the picture.
    const int minX = std::min(0, a_ * (width - 1)) + std::min(0, c_ * (height - 1));
    const int minY = std::min(0, b_ * (width - 1)) + std::min(0, d_ * (height - 1));
    for (int y = 0; y < turnedHeight; ++y) {
        for (int x = 0; x < turnedWidth; ++x) {
            // The 2x2 is orthogonal: its inverse is its transpose.
            const int X = x + minX, Y = y + minY;
            const int p = a_ * X + b_ * Y;
            const int q = c_ * X + d_ * Y;
            std::memcpy(to + (static_cast<std::size_t>(y) * turnedWidth + x) * pixelBytes,
                        from + (static_cast<std::size_t>(q) * width + p) * pixelBytes, pixelBytes);
        }
    }
}
