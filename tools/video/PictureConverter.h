#pragma once
// Decoded pictures into host images: the stream's own range and matrix to
// full-range RGB, turned upright as the display matrix asks.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "DisplayOrientation.h"
#include "HostWorld.h"
#include "LibavObjects.h"

class PictureConverter {
public:
    // `depth` is the host images' depth, 8 or 16.
    PictureConverter(std::string path, int depth, DisplayOrientation orientation)
        : path_(std::move(path)), depth_(depth), orientation_(orientation) {}

    // Throws VideoError for a picture over the image limit (a stream may
    // grow at any frame) or one it cannot convert; `index` names the frame.
    HostWorld convert(const AVFrame& picture, long index);

private:
    std::string path_;
    int depth_;
    DisplayOrientation orientation_;
    Scaler scaler_;
    // RGBA pictures before they are turned and after, kept between frames.
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> turned_;
};
