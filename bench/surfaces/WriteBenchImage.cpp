// Writes the benchmark image as an RGB PNG, so that other tools can be timed
// on exactly the pixels the quantization benchmark uses.

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchImage.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s OUT.png [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    const int width = argc == 4 ? std::atoi(argv[2]) : static_cast<int>(kBenchWidth);
    const int height = argc == 4 ? std::atoi(argv[3]) : static_cast<int>(kBenchHeight);
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        std::fprintf(stderr, "%s: the size must be 1 to 16384 pixels a side\n", argv[0]);
        return 2;
    }
    const std::vector<ImageLib::Pixel8> pixels = makeBenchImage(width, height);
    std::vector<unsigned char> rgb;
    rgb.reserve(pixels.size() * 3);
    for (const ImageLib::Pixel8& p : pixels) {
        rgb.insert(rgb.end(), {p.red, p.green, p.blue});
    }
    const int ok = stbi_write_png(argv[1], width, height, 3, rgb.data(), width * 3);
    return ok ? 0 : 1;
}
