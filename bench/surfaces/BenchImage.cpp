#include "BenchImage.h"

#include <algorithm>
#include <cmath>

namespace {

struct Disc {
    float x, y, radius;
    float red, green, blue;
};

// Soft-edged discs of flat colour, placed by hand so the image never changes.
constexpr Disc kDiscs[] = {
    {0.22f, 0.35f, 0.16f, 230, 80, 40},  {0.70f, 0.30f, 0.20f, 40, 120, 210},
    {0.50f, 0.75f, 0.12f, 250, 220, 60}, {0.85f, 0.80f, 0.09f, 30, 160, 70},
    {0.10f, 0.85f, 0.07f, 200, 40, 150}, {0.40f, 0.15f, 0.05f, 245, 245, 240},
};

float clampByte(float v) {
    return std::min(255.0f, std::max(0.0f, v));
}

}  // namespace

std::vector<ImageLib::Pixel8> makeBenchImage(std::uint32_t width, std::uint32_t height) {
    std::vector<ImageLib::Pixel8> pixels(std::size_t{width} * height);
    std::uint32_t noiseState = 0x12345678u;
    for (std::uint32_t y = 0; y < height; ++y) {
        const float v = static_cast<float>(y) / height;
        for (std::uint32_t x = 0; x < width; ++x) {
            const float u = static_cast<float>(x) / width;
            // Sky-to-ground gradient with slow waves.
            float red = 90 + 110 * v + 25 * std::sin(6.0f * u + 2.0f * v);
            float green = 140 - 40 * v + 30 * std::sin(4.0f * v - 3.0f * u);
            float blue = 210 - 150 * v + 20 * std::cos(5.0f * u * v);
            for (const Disc& disc : kDiscs) {
                const float dx = (u - disc.x) * (static_cast<float>(width) / height);
                const float dy = v - disc.y;
                const float edge = (disc.radius - std::sqrt(dx * dx + dy * dy)) * 150.0f;
                const float cover = std::min(1.0f, std::max(0.0f, edge));
                // Shaded a little from the top left, like a lit sphere.
                const float shade = 1.0f - 0.6f * std::max(0.0f, dx + dy) / disc.radius;
                red += cover * (disc.red * shade - red);
                green += cover * (disc.green * shade - green);
                blue += cover * (disc.blue * shade - blue);
            }
            noiseState = noiseState * 1664525u + 1013904223u;
            const float noise = static_cast<float>((noiseState >> 24) & 0x1F) - 15.5f;
            pixels[std::size_t{y} * width + x] = {
                255, static_cast<std::uint8_t>(clampByte(red + noise)),
                static_cast<std::uint8_t>(clampByte(green + noise * 0.8f)),
                static_cast<std::uint8_t>(clampByte(blue + noise * 1.2f))};
        }
    }
    return pixels;
}
