#include "entities/PixelBudget.h"

#include <GL/glew.h>

std::atomic<std::uint64_t> PixelBudget::inUse_{0};
std::atomic<std::uint64_t> PixelBudget::limit_{PixelBudget::kDefaultBytes};

bool PixelBudget::Charge::resize(std::uint64_t bytes) {
    if (bytes <= bytes_) {
        inUse_ -= bytes_ - bytes;
        bytes_ = bytes;
        return true;
    }
    const std::uint64_t growth = bytes - bytes_;
    std::uint64_t held = inUse_.load();
    do {
        const std::uint64_t room = limit_.load();
        if (held > room || growth > room - held)
            return false;
    } while (!inUse_.compare_exchange_weak(held, held + growth));
    bytes_ = bytes;
    return true;
}

void PixelBudget::Charge::reset() {
    inUse_ -= bytes_;
    bytes_ = 0;
}

void PixelBudget::setLimit(std::uint64_t bytes) {
    limit_ = bytes;
}

std::uint64_t PixelBudget::limit() {
    return limit_.load();
}

std::uint64_t PixelBudget::inUse() {
    return inUse_.load();
}

bool PixelBudget::extentFits(std::uint32_t width, std::uint32_t height,
                             std::uint32_t bytesPerPixel) {
    if (width == 0 || height == 0)
        return true;
    const std::uint32_t side = maxTextureSize();
    if (width > side || height > side)
        return false;
    // Both sides are below 2^31, so the product and the byte count fit 64 bits.
    return std::uint64_t{width} * height * bytesPerPixel <= limit();
}

std::uint32_t PixelBudget::maxTextureSize() {
    // Every context the process makes is the same device's, so the first
    // answer holds for all.
    static std::atomic<std::uint32_t> cached{0};
    std::uint32_t side = cached.load();
    if (side == 0) {
        GLint queried = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &queried);
        // Without a current context nothing is answered; ask again later.
        side = queried > 0 ? static_cast<std::uint32_t>(queried) : 0;
        if (side != 0)
            cached = side;
    }
    return side;
}
