#include "gl/Texture.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gl/ImageDecoder.h"
#include "gl/PixelDepth.h"
#include "package/FileReads.h"
#include "surfaces/ImageLib/PixelConversion.h"

namespace {

// The narrow name in the current locale's multibyte encoding, as wide
// characters; false when it is not valid in that encoding.
bool widen(const std::string& narrow, std::wstring& wide) {
    wide.assign(narrow.size() + 1, L'\0');
    const std::size_t length = std::mbstowcs(&wide[0], narrow.c_str(), wide.size());
    if (length == static_cast<std::size_t>(-1))
        return false;
    wide.resize(length);
    return true;
}

}  // namespace

Texture::~Texture() {
    Texture::deleteObjects();
}

bool Texture::init(std::uint32_t width, std::uint32_t height, std::uint32_t depth, bool hostOrder) {
    if (texture != 0)
        deleteObjects();
    glGenTextures(1, &texture);
    upload(nullptr, width, height, depth, std::uint64_t{width} * depth / 8, hostOrder, false);
    this->width = width;
    this->height = height;
    this->depth = depth;
    rowBytes = 0;
    return true;
}

void Texture::deleteObjects() {
    if (texture != 0) {
        glDeleteTextures(1, &texture);
        texture = 0;
    }
    storageFormat_ = 0;
}

void Texture::upload(const void* data, std::uint32_t width, std::uint32_t height,
                     std::uint32_t depth, std::uint64_t rowBytes, bool hostOrder, bool convert16) {
    // Below 8 bits a channel has no byte size, so neither the row length nor
    // the amount of data is defined (the frame path passes depth 0 for a pixel
    // format it does not know): such an upload is refused.
    if (texture == 0 || depth < 8)
        return;
    if (!admit(width, height, depth, data != nullptr ? rowBytes : 0))
        return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ROW_LENGTH,
                  static_cast<GLint>(rowBytes / PixelDepth::bytesPerChannel(depth) / 4));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    static const GLint identity[] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    static const GLint fromFileOrder[] = {GL_ALPHA, GL_RED, GL_GREEN, GL_BLUE};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, hostOrder ? identity : fromFileOrder);

    const auto glWidth = static_cast<GLsizei>(width);
    const auto glHeight = static_cast<GLsizei>(height);
    // Storage of the same size and format is kept and only its texels are
    // replaced: re-specifying it every frame makes the driver allocate anew.
    const GLenum format = PixelDepth::internalFormat(depth);
    const bool sameStorage =
        storageFormat_ == format && this->width == width && this->height == height;
    const bool mapFloats = depth == 16 && convert16 && data != nullptr;
    if (!sameStorage) {
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), glWidth, glHeight, 0, GL_RGBA,
                     PixelDepth::transferType(depth), mapFloats ? nullptr : data);
        storageFormat_ = format;
    } else if (data != nullptr && !mapFloats) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, glWidth, glHeight, GL_RGBA,
                        PixelDepth::transferType(depth), data);
    }
    if (mapFloats)
        uploadHost16(static_cast<const std::uint8_t*>(data), width, height, rowBytes);
    // The CPU copy is read back from the texture when it is first asked for:
    // most frames never ask, and copying every frame would cost as much as
    // the upload itself.
    copyPending_ = data != nullptr;
    if (data == nullptr)
        pixels_.reset();
    this->hostOrder = hostOrder;
    this->width = width;
    this->height = height;
    this->depth = depth;
    this->rowBytes = rowBytes;
}

void Texture::uploadHost16(const std::uint8_t* data, std::uint32_t width, std::uint32_t height,
                           std::uint64_t rowBytes) {
    // The floats the texture stores are made here, a band of rows at a time
    // in a buffer the caches keep, so that the driver copies them as they are
    // instead of converting 16-bit values channel by channel, and no
    // frame-sized float buffer passes through memory.
    const std::size_t rowFloats = std::size_t{width} * 4;
    const std::uint32_t bandRows = static_cast<std::uint32_t>(
        std::max<std::size_t>(1, kBandBytes / (rowFloats * sizeof(float))));
    static thread_local std::vector<float> band;
    band.resize(rowFloats * std::min(bandRows, height));
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    for (std::uint32_t first = 0; first < height; first += bandRows) {
        const std::uint32_t rows = std::min(bandRows, height - first);
        for (std::uint32_t row = 0; row < rows; ++row)
            ImageLib::hostToGpuFloat(
                reinterpret_cast<const std::uint16_t*>(data + (first + row) * rowBytes),
                &band[row * rowFloats], rowFloats);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, static_cast<GLint>(first), static_cast<GLsizei>(width),
                        static_cast<GLsizei>(rows), GL_RGBA, GL_FLOAT, band.data());
    }
}

const std::shared_ptr<std::vector<std::uint8_t>>& Texture::cpuCopy() {
    if (copyPending_ && texture != 0)
        takeCopy();
    return pixels_;
}

void Texture::takeCopy() {
    copyPending_ = false;
    const std::uint64_t pixelBytes = 4 * PixelDepth::bytesPerChannel(depth);
    const std::uint64_t packedRow = width * pixelBytes;
    std::uint8_t* copy = replaceCopy(static_cast<std::size_t>(height * rowBytes));
    // The copy keeps the rows as far apart as the uploaded data had them; GL
    // writes them there itself when that distance is a whole number of pixels.
    const bool direct = rowBytes % pixelBytes == 0 && rowBytes >= packedRow;
    std::vector<std::uint8_t> packed(direct ? 0 : static_cast<std::size_t>(height * packedRow));
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ROW_LENGTH, direct ? static_cast<GLint>(rowBytes / pixelBytes) : 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, PixelDepth::transferType(depth),
                  direct ? copy : packed.data());
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    if (direct)
        return;
    const auto rowCopy = static_cast<std::size_t>(std::min(rowBytes, packedRow));
    for (std::uint32_t row = 0; row < height; ++row)
        std::memcpy(copy + row * rowBytes, &packed[row * packedRow], rowCopy);
}

bool Texture::admit(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                    std::uint64_t copyRowBytes) {
    const std::uint32_t gpuPixelBytes = PixelDepth::internalFormat(depth) == GL_RGBA ? 4 : 16;
    // The copy's size is only formed once it is known to stay below the
    // limit, so that it cannot wrap around 64 bits.
    const std::uint64_t limit = PixelBudget::limit();
    const bool copyFits =
        copyRowBytes == 0 || (copyRowBytes <= limit && height <= limit / copyRowBytes);
    if (copyFits && PixelBudget::extentFits(width, height, gpuPixelBytes) &&
        pixelCharge.resize(std::uint64_t{width} * height * gpuPixelBytes + height * copyRowBytes))
        return true;
    deleteObjects();
    pixels_.reset();
    copyPending_ = false;
    pixelCharge.reset();
    return false;
}

std::uint8_t* Texture::replaceCopy(std::size_t size) {
    if (!pixels_ || pixels_.use_count() > 1 || pixels_->size() != size)
        pixels_ = std::make_shared<std::vector<std::uint8_t>>(size);
    return pixels_->data();
}

void Texture::uploadSurface(const void* pixels, std::uint32_t width, std::uint32_t height,
                            std::uint32_t depth, std::uint64_t rowBytes, bool flip) {
    if (!flip || pixels == nullptr) {
        upload(pixels, width, height, depth, rowBytes, true, false);
        return;
    }
    // The reversed rows are as large as the copy the upload keeps.
    if (texture == 0 || depth < 8 || !admit(width, height, depth, rowBytes))
        return;
    const auto stride = static_cast<std::size_t>(rowBytes);
    std::vector<std::uint8_t> flipped(stride * height);
    const auto* source = static_cast<const std::uint8_t*>(pixels);
    for (std::uint32_t row = 0; row < height; ++row)
        std::memcpy(&flipped[stride * row], source + stride * (height - 1 - row), stride);
    upload(flipped.data(), width, height, depth, rowBytes, true, false);
}

void Texture::setParameter(std::uint32_t name, std::int32_t value) {
    if (texture == 0)
        return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, name, value);
}

bool Texture::loadImage(const std::string& fileName) {
    std::wstring path;
    if (!widen(fileName, path))
        return false;
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    if (bytes.empty())
        return false;
    name = fileName;
    const ImageDecoder image(bytes);
    if (image.pixels() == nullptr)
        return false;
    init(image.width(), image.height(), image.depth(), true);
    // File data is red, green, blue, alpha: uploaded with the swizzle that
    // makes it sample in host order.
    upload(image.pixels(), image.width(), image.height(), image.depth(),
           std::uint64_t{image.width()} * image.depth() / 2, false, false);
    return true;
}
