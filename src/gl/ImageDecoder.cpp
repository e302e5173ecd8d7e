#include "gl/ImageDecoder.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>

#include "entities/PixelBudget.h"
#include "gl/JpegHuffmanTables.h"
#include "gl/RadianceScanLines.h"

// The decoder's functions stay private to this file, so no other part of a
// program that links the engine can clash with them. Only the formats an
// effect needs are compiled in: every other decoder is code a hostile package
// could reach.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_HDR
// The JPEG decoder's state comes from the allocator uncleared, and a scan
// that names a Huffman table the file never defined decodes with whatever the
// heap held there: the outcome then depends on earlier allocations, and a
// symbol can index past its table. Cleared memory makes such a table empty,
// so the file decodes the same every time and within bounds.
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(pointer, size) std::realloc(pointer, size)
#define STBI_FREE(pointer) std::free(pointer)
#include <stb_image.h>

namespace {

// The largest side when no GL context answers (the tools, the fuzzers):
// what the software renderer supports.
constexpr std::uint32_t kSideWithoutContext = 16384;

// Two PNG inputs the decoder mishandles. It copies each image data chunk
// onto the end of its buffer, which does not exist yet when the first chunk
// is empty: it then hands a null destination to memcpy. And it grows that
// buffer to a chunk's stated length before reading it, so a small file can
// state 2 GiB. Neither comes from an encoder: such files are refused. Walks
// the chunks; true for anything that is not a PNG.
bool pngChunksSound(const std::vector<std::uint8_t>& bytes) {
    static const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || !std::equal(signature, signature + 8, bytes.begin()))
        return true;
    bool dataSeen = false;
    std::size_t at = 8;
    while (at + 8 <= bytes.size()) {
        const std::size_t length = std::size_t{bytes[at]} << 24 | std::size_t{bytes[at + 1]} << 16 |
                                   std::size_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length > bytes.size() - at - 8)
            return false;
        if (std::equal(bytes.begin() + at + 4, bytes.begin() + at + 8, "IDAT")) {
            if (!dataSeen && length == 0)
                return false;
            dataSeen = true;
        }
        at += 12 + length;
    }
    return true;
}

}  // namespace

ImageDecoder::ImageDecoder(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX)
        return;
    const auto length = static_cast<int>(bytes.size());
    if (!pngChunksSound(bytes))
        return;
    if (!jpegHuffmanTablesFit(bytes))
        return;
    // Size from the header, checked before any pixel is decoded: a small file
    // may declare an image that takes gigabytes and seconds to inflate.
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) || width <= 0 ||
        height <= 0)
        return;
    const bool hdr = stbi_is_hdr_from_memory(bytes.data(), length) != 0;
    if (hdr && !radianceRunsEndInFile(bytes, width, height))
        return;
    const std::uint32_t side =
        PixelBudget::maxTextureSize() != 0 ? PixelBudget::maxTextureSize() : kSideWithoutContext;
    if (static_cast<std::uint32_t>(width) > side || static_cast<std::uint32_t>(height) > side)
        return;
    // The texture keeps the pixels twice, on the GPU and as its CPU copy.
    const std::uint64_t pixelBytes = std::uint64_t(width) * std::uint64_t(height) * (hdr ? 16 : 4);
    const std::uint64_t held = PixelBudget::inUse();
    const std::uint64_t limit = PixelBudget::limit();
    if (held > limit || 2 * pixelBytes > limit - held)
        return;
    if (hdr) {
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
