#pragma once
// Decodes an image file held in memory into four channels: Radiance HDR
// images as 32-bit floats, PNG and JPEG as 8 bits. Other
// formats, and images whose header declares a side beyond the texture limit
// or more pixels than the pixel budget has room for, are refused before
// anything is decoded.
// Channels are red, green, blue, alpha; the first row is the file's top row.
#include <cstdint>
#include <memory>
#include <vector>

class ImageDecoder {
public:
    // A failure leaves pixels() null.
    explicit ImageDecoder(const std::vector<std::uint8_t>& bytes);

    const void* pixels() const { return pixels_.get(); }
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }
    // 32 for HDR images, else 8.
    std::uint32_t depth() const { return depth_; }

private:
    struct Free {
        void operator()(void* pixels) const;
    };

    std::unique_ptr<void, Free> pixels_;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    std::uint32_t depth_ = 8;
};
