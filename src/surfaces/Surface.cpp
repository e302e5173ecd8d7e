#include "surfaces/Surface.h"

#include <cstring>

#include "surfaces/ImageLib/Quantizer.h"
#include "surfaces/ImageLib/Surface.h"

namespace {

// Wraps the pixels in the ImageLib surface of their layout when every row
// holds a whole row of such pixels.
template <class P>
void quantizeAs(Surface& surface, std::uint8_t* pixels, bool grey, int paletteMode, int ditherKind,
                float strength, bool serpentine) {
    if (surface.rowBytes < std::uint64_t{surface.width} * sizeof(P)) {
        return;
    }
    ImageLib::Surface<P> image(surface.width, surface.height, surface.rowBytes, pixels);
    ImageLib::quantizeSurface(image, grey, paletteMode, ditherKind, strength, serpentine);
}

}  // namespace

bool Surface::init(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                   std::uint8_t flag) {
    this->width = width;
    this->height = height;
    this->depth = depth;
    this->flag = flag;
    rowBytes = std::uint64_t{width} * depth / 2;
    return true;
}

bool Surface::alias(std::shared_ptr<std::vector<std::uint8_t>> cpuCopy, std::uint32_t width,
                    std::uint32_t height, std::uint32_t depth, std::uint64_t rowBytes) {
    this->width = width;
    this->height = height;
    this->depth = depth;
    this->rowBytes = rowBytes;
    flag = 1;
    ownPixels.clear();
    ownPixels.shrink_to_fit();
    if (!pixelCharge.resize(cpuCopy ? cpuCopy->size() : 0)) {
        externalPixels.reset();
        pixelCharge.reset();
        return false;
    }
    externalPixels = std::move(cpuCopy);
    return true;
}

bool Surface::copyPixels(const void* data, std::uint32_t width, std::uint32_t height,
                         std::uint32_t depth, std::uint64_t rowBytes) {
    this->width = width;
    this->height = height;
    this->depth = depth;
    this->rowBytes = rowBytes;
    externalPixels.reset();
    // The read-back comes from a target whose size was already admitted, so
    // height × rowBytes stays far from 64 bits.
    if (data && pixelCharge.resize(height * rowBytes)) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        ownPixels.assign(bytes, bytes + height * rowBytes);
        return true;
    }
    ownPixels.clear();
    ownPixels.shrink_to_fit();
    pixelCharge.reset();
    return data == nullptr;
}

std::uint8_t* Surface::pixelAddress() {
    return const_cast<std::uint8_t*>(static_cast<const Surface*>(this)->pixelAddress());
}

const std::uint8_t* Surface::pixelAddress() const {
    const std::vector<std::uint8_t>& buffer = externalPixels ? *externalPixels : ownPixels;
    if (buffer.empty() || rowBytes == 0 || buffer.size() / rowBytes < height) {
        return nullptr;
    }
    return buffer.data();
}

bool Surface::quantize(bool grey, int paletteMode, int ditherKind, float strength,
                       bool serpentine) {
    if (empty()) {
        return false;
    }
    std::uint8_t* pixels = pixelAddress();
    if (!pixels) {
        return true;
    }
    switch (depth) {
        case 8:
            quantizeAs<ImageLib::Pixel8>(*this, pixels, grey, paletteMode, ditherKind, strength,
                                         serpentine);
            break;
        case 16:
            quantizeAs<ImageLib::Pixel15>(*this, pixels, grey, paletteMode, ditherKind, strength,
                                          serpentine);
            break;
        case 32:
            quantizeAs<ImageLib::Pixel32>(*this, pixels, grey, paletteMode, ditherKind, strength,
                                          serpentine);
            break;
        default:
            break;
    }
    return true;
}
