#include "TestPattern.h"

HostWorld testPattern(A_long width, A_long height, A_long cell) {
    HostWorld frame(width, height, 8);
    for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
            PF_PixelFloat pixel{};
            pixel.alpha = 1.0f;
            pixel.red = static_cast<float>(x) / static_cast<float>(width - 1);
            pixel.green = static_cast<float>(y) / static_cast<float>(height - 1);
            pixel.blue = ((x / cell + y / cell) % 2) ? 0.8f : 0.2f;
            frame.set(x, y, pixel);
        }
    }
    return frame;
}
