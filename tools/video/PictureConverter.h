#pragma once
// Decoded pictures into host images: the stream's own range and matrix to
// full-range RGB, turned upright as the display matrix asks.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "DisplayOrientation.h"
#include "HostWorld.h"
#include "LibavObjects.h"
#include "YuvToArgb.h"

class PictureConverter {
public:
    // `depth` is the host images' depth, 8 or 16.
    PictureConverter(std::string path, int depth, DisplayOrientation orientation)
        : path_(std::move(path)), depth_(depth), orientation_(orientation) {}

    // Throws VideoError for a picture over the image limit (a stream may
    // grow at any frame) or one it cannot convert; `index` names the frame.
    HostWorld convert(const AVFrame& picture, long index);

private:
    // 8-bit planar Y'CbCr shown as stored into an 8-bit host image: chroma
    // resampled to full resolution by the scaler, then the matrix by table.
    // None when the picture is not such (the scaler does all the work then).
    std::optional<HostWorld> convertPlanar(const AVFrame& picture);

    std::string path_;
    int depth_;
    DisplayOrientation orientation_;
    Scaler scaler_;
    Scaler chromaScaler_;
    std::optional<YuvToArgb> matrix_;
    AVColorSpace matrixCode_ = AVCOL_SPC_NB;
    bool matrixFullRange_ = false;
    // Full-resolution chroma planes, kept between frames.
    std::vector<std::uint8_t> chroma_;
    // RGBA pictures before they are turned and after, kept between frames.
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> turned_;
};
