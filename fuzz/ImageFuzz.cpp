// Package image files through the decoder, header checks included. Without
// a GL context the decoder applies the software renderer's texture limit.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "entities/PixelBudget.h"
#include "gl/ImageDecoder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Images up to 4 MB of pixels: large enough for every path of the
    // decoders (a larger image only repeats their loops), small enough that
    // a run stays fast where every comparison is traced.
    PixelBudget::setLimit(std::uint64_t{8} << 20);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ImageDecoder image(std::vector<std::uint8_t>(data, data + size));
    if (image.pixels() != nullptr) {
        // Every decoded byte must be readable.
        const std::size_t bytes = std::size_t{image.width()} * image.height() * image.depth() / 2;
        std::vector<std::uint8_t> copy(bytes);
        std::memcpy(copy.data(), image.pixels(), bytes);
    }
    return 0;
}
