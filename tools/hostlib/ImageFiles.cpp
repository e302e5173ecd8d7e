#include "ImageFiles.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "AtomicFile.h"
#include "ImageBudget.h"
#include "ImageCodecs.h"
#include "PackError.h"
#include "gl/JpegHuffmanTables.h"
#include "gl/RadianceScanLines.h"
#include "platform/ModuleResources.h"

// The decoder for JPEG and Radiance HDR, the inputs the tool takes besides
// PNG and OpenEXR, private to this file so that it cannot clash with the
// engine's own copy. stb_image's other decoders stay out: fuzzing found
// faults in some, and nothing the tool documents needs them.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_JPEG
#define STBI_ONLY_HDR
// As in the engine's copy: the JPEG decoder's state comes from the allocator
// uncleared, and a scan that names a Huffman table the file never defined
// decodes with whatever the heap held there. Cleared memory makes such a
// table empty, so the file decodes the same every time and within bounds.
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(pointer, size) std::realloc(pointer, size)
#define STBI_FREE(pointer) std::free(pointer)
#include <stb_image.h>

namespace {

struct StbFree {
    void operator()(void* pixels) const { stbi_image_free(pixels); }
};

// The stated size, read from the header alone, checked before stb_image
// allocates. Beside the memory limit, a file too short for its size ends
// early: every 8 x 8 block of a JPEG takes at least one bit (its DC code,
// baseline or progressive), and every run of at most 127 equal values of a
// Radiance scan line two bytes (flat lines four bytes a pixel), so at most
// 16 pixels a byte.
void checkStatedSize(const std::vector<std::uint8_t>& bytes, bool hdr) {
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                               &channels))
        return;  // the decoder reports what is wrong
    const std::string budget =
        ImageBudget::refusal(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height),
                             hdr ? sizeof(PF_PixelFloat) : sizeof(PF_Pixel8));
    if (!budget.empty())
        throw ImageFileError(budget);
    const std::uint64_t w = static_cast<std::uint64_t>(width);
    const std::uint64_t h = static_cast<std::uint64_t>(height);
    const std::uint64_t least = hdr ? w * h / 16 : ((w + 7) / 8) * ((h + 7) / 8) / 8;
    if (bytes.size() < least || (hdr && !radianceRunsEndInFile(bytes, width, height))) {
        throw ImageFileError("the file ends before the image data of the " + std::to_string(w) +
                             " x " + std::to_string(h) + " pixels it states");
    }
}

HostWorld decodeWithStb(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX)
        throw ImageFileError("not an image file");
    if (!jpegHuffmanTablesFit(bytes))
        throw ImageFileError("a Huffman table of the JPEG holds more than 256 codes");
    const auto length = static_cast<int>(bytes.size());
    int width = 0, height = 0, channels = 0;
    const bool hdr = stbi_is_hdr_from_memory(bytes.data(), length) != 0;
    checkStatedSize(bytes, hdr);
    std::unique_ptr<void, StbFree> pixels(
        hdr ? static_cast<void*>(
                  stbi_loadf_from_memory(bytes.data(), length, &width, &height, &channels, 4))
            : static_cast<void*>(
                  stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 4)));
    if (!pixels)
        throw ImageFileError(stbi_failure_reason() ? stbi_failure_reason() : "not an image file");
    HostWorld image(width, height, hdr ? 32 : 8);
    for (A_long y = 0; y < height; ++y) {
        for (A_long x = 0; x < width; ++x) {
            const std::size_t at = (std::size_t(y) * width + x) * 4;
            if (hdr) {
                const float* p = static_cast<const float*>(pixels.get()) + at;
                static_cast<PF_PixelFloat*>(image.row(y))[x] =
                    PF_PixelFloat{p[3], p[0], p[1], p[2]};
            } else {
                const std::uint8_t* p = static_cast<const std::uint8_t*>(pixels.get()) + at;
                static_cast<PF_Pixel8*>(image.row(y))[x] = PF_Pixel8{p[3], p[0], p[1], p[2]};
            }
        }
    }
    return image;
}

bool endsWith(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const char c = text[text.size() - suffix.size() + i];
        if (std::tolower(static_cast<unsigned char>(c)) != suffix[i])
            return false;
    }
    return true;
}

}  // namespace

A_u_short hostFromFile16(std::uint16_t fileValue) {
    // Rounded to the nearest host value.
    return static_cast<A_u_short>((std::uint32_t{fileValue} * 65536 + 65535) / 131070);
}

std::uint16_t fileFromHost16(A_u_short hostValue) {
    const std::uint32_t host = hostValue > 32768 ? 32768 : hostValue;
    return static_cast<std::uint16_t>((host * 65535 + 16384) / 32768);
}

HostWorld decodeImage(const std::vector<std::uint8_t>& bytes) {
    if (isPng(bytes))
        return decodePng(bytes);
    if (isExr(bytes))
        return decodeExr(bytes);
    return decodeWithStb(bytes);
}

HostWorld readImageFile(const std::string& path) {
    const auto bytes = ModuleResources::readFile(path);
    if (!bytes)
        throw ImageFileError(path + ": cannot open the file");
    try {
        return decodeImage(*bytes);
    } catch (const ImageFileError& e) {
        throw ImageFileError(path + ": " + e.what());
    }
}

void writeImageFile(const std::string& path, const HostWorld& image,
                    const ImageWriteSettings& settings) {
    std::vector<std::uint8_t> bytes;
    try {
        if (endsWith(path, ".png"))
            bytes = encodePng(image, settings.pngCompression);
        else if (endsWith(path, ".exr"))
            bytes = encodeExr(image, settings.exrCompression);
        else
            throw ImageFileError("only .png and .exr files can be written");
        writeFileAtomically(path, bytes, false);
    } catch (const ImageFileError& e) {
        throw ImageFileError(path + ": " + e.what());
    } catch (const PackError& e) {
        throw ImageFileError(e.what());
    }
}
