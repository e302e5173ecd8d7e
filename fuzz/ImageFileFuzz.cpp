// Image files as the tool reads its inputs and layer images: PNG, OpenEXR,
// JPEG and Radiance HDR, recognised by their content, with the stated-size
// checks before anything is allocated. Decoded images are read whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ImageBudget.h"
#include "ImageFiles.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // 1 MiB an image (262,144 8-bit pixels, a quarter of that in floats):
    // enough for every path of the decoders, where a larger image only
    // repeats their loops and costs page faults for its fresh memory (with
    // 4 MiB, 52 runs a second instead of 252).
    setenv(ImageBudget::kVariable, "1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const HostWorld image = decodeImage(std::vector<std::uint8_t>(data, data + size));
        const std::size_t pixelBytes = std::size_t{4} * static_cast<std::size_t>(image.depth()) / 8;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width()) * pixelBytes);
        for (A_long y = 0; y < image.height(); ++y)
            std::memcpy(row.data(), image.row(y), row.size());
    } catch (const ImageFileError&) {
    }
    return 0;
}
