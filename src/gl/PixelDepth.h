#pragma once
// How a pixel depth (bits per colour channel; every image has four channels)
// travels to and from the GPU. 16-bit images live in float textures so that
// shaders may produce values beyond the 16-bit range; the client format is
// always RGBA.
#include <cstdint>

#include <GL/glew.h>

namespace PixelDepth {

constexpr GLenum internalFormat(std::uint32_t depth) {
    return depth < 9 ? GL_RGBA : GL_RGBA32F;
}

constexpr GLenum transferType(std::uint32_t depth) {
    switch (depth) {
        case 15:
        case 16:
            return GL_UNSIGNED_SHORT;
        case 32:
            return GL_FLOAT;
        default:
            return GL_UNSIGNED_BYTE;
    }
}

// Bytes of one channel in client memory. Depth 15 carries unsigned 16-bit
// channels (host values passed through unmapped), so it counts two bytes like
// depth 16; counting one would make GL read rows twice as long as the data.
// Other depths count depth / 8, which is 0 below 8.
constexpr std::uint32_t bytesPerChannel(std::uint32_t depth) {
    return depth == 15 ? 2 : depth / 8;
}

// Bytes of a packed four-channel image, in 64 bits so that large frames at
// float depth cannot overflow. Depth 15 counts as 16 bits, for the reason above.
constexpr std::uint64_t packedBytes(std::uint32_t width, std::uint32_t height,
                                    std::uint32_t depth) {
    const std::uint64_t bits = depth == 15 ? 16 : depth;
    return std::uint64_t{width} * height * 4 * bits / 8;
}

}  // namespace PixelDepth
