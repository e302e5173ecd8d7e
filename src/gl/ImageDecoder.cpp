#include "gl/ImageDecoder.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>

#include "entities/PixelBudget.h"

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

std::size_t segmentLength(const std::uint8_t* at) {
    return std::size_t{at[0]} << 8 | at[1];
}

// The decoder trusts the code counts of a JPEG Huffman table: counts adding
// up to more than 256 symbols make it write past its tables. Walks the
// file's segments, entropy-coded data included (tables may come between
// scans), from the first segment at `at`, and answers whether every table
// stays within 256 symbols.
bool huffmanTablesFit(const std::uint8_t* bytes, std::size_t size, std::size_t at) {
    while (at + 1 < size) {
        if (bytes[at] != 0xFF) {
            ++at;  // entropy-coded data
            continue;
        }
        const std::uint8_t marker = bytes[at + 1];
        // Fill bytes, stuffed zeros, restart markers and the markers without
        // a length.
        if (marker == 0xFF || marker == 0x00 || (marker >= 0xD0 && marker <= 0xD9) ||
            marker == 0x01) {
            at += marker == 0xFF ? 1 : 2;
            continue;
        }
        if (at + 4 > size)
            return true;  // the decoder fails on the truncated segment itself
        const std::size_t length = segmentLength(bytes + at + 2);
        const std::size_t end = at + 2 + length;
        if (marker == 0xC4) {
            // Tables: a class and index byte, 16 counts, then the symbols.
            // Past the end of the file the decoder reads zeros, and so does
            // this walk.
            std::size_t table = at + 4;
            while (table < end) {
                std::size_t symbols = 0;
                for (std::size_t i = table + 1; i <= table + 16; ++i)
                    symbols += i < size ? bytes[i] : 0;
                if (symbols > 256)
                    return false;
                table += 17 + symbols;
            }
        }
        at = end;
    }
    return true;
}

// Where a JPEG's first segment starts, past its start-of-image marker; 0
// for anything else. The decoder takes any number of fill bytes before the
// marker.
std::size_t jpegStart(const std::vector<std::uint8_t>& bytes) {
    std::size_t at = 0;
    while (at < bytes.size() && bytes[at] == 0xFF) ++at;
    return at > 0 && at < bytes.size() && bytes[at] == 0xD8 ? at + 1 : 0;
}

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
    const std::size_t jpeg = jpegStart(bytes);
    if (jpeg != 0 && !huffmanTablesFit(bytes.data(), bytes.size(), jpeg))
        return;
    // Size from the header, checked before any pixel is decoded: a small file
    // may declare an image that takes gigabytes and seconds to inflate.
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) || width <= 0 ||
        height <= 0)
        return;
    const bool hdr = stbi_is_hdr_from_memory(bytes.data(), length) != 0;
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
