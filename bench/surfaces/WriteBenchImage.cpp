// Writes the benchmark image as an RGB PNG, so that other tools can be timed
// on exactly the pixels the quantization benchmark uses.

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdio>
#include <vector>

#include "BenchImage.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.png\n", argv[0]);
        return 2;
    }
    const std::vector<ImageLib::Pixel8> pixels = makeBenchImage(kBenchWidth, kBenchHeight);
    std::vector<unsigned char> rgb;
    rgb.reserve(pixels.size() * 3);
    for (const ImageLib::Pixel8& p : pixels) {
        rgb.insert(rgb.end(), {p.red, p.green, p.blue});
    }
    const int ok = stbi_write_png(argv[1], kBenchWidth, kBenchHeight, 3, rgb.data(),
                                  static_cast<int>(kBenchWidth * 3));
    return ok ? 0 : 1;
}
