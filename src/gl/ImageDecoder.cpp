#include "gl/ImageDecoder.h"

#include <climits>

// The decoder's functions stay private to this file, so no other part of a
// program that links the engine can clash with them.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb_image.h>

ImageDecoder::ImageDecoder(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX)
        return;
    const auto length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    if (stbi_is_hdr_from_memory(bytes.data(), length)) {
        pixels_.reset(stbi_loadf_from_memory(bytes.data(), length, &width, &height, &channels, 4));
        depth_ = 32;
    } else {
        pixels_.reset(stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4));
    }
    if (pixels_) {
        width_ = static_cast<std::uint32_t>(width);
        height_ = static_cast<std::uint32_t>(height);
    }
}

void ImageDecoder::Free::operator()(void* pixels) const {
    stbi_image_free(pixels);
}
