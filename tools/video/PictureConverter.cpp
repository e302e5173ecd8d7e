#include "PictureConverter.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ColourCode.h"
#include "ImageBudget.h"
#include "ImageFiles.h"

std::optional<HostWorld> PictureConverter::convertPlanar(const AVFrame& f) {
    bool fullRange = false, halfWidth = true, halfHeight = false;
    switch (f.format) {
        case AV_PIX_FMT_YUVJ420P:
            fullRange = true;
            [[fallthrough]];
        case AV_PIX_FMT_YUV420P:
            halfHeight = true;
            break;
        case AV_PIX_FMT_YUVJ422P:
            fullRange = true;
            [[fallthrough]];
        case AV_PIX_FMT_YUV422P:
            break;
        case AV_PIX_FMT_YUVJ444P:
            fullRange = true;
            [[fallthrough]];
        case AV_PIX_FMT_YUV444P:
            halfWidth = false;
            break;
        default:
            return std::nullopt;
    }
    // Pictures of odd width or height are left to the scaler's own
    // conversion, which places their last chroma samples its own way.
    if ((halfWidth && f.width % 2 != 0) || (halfHeight && f.height % 2 != 0))
        return std::nullopt;

    const std::uint8_t* cb = f.data[1];
    const std::uint8_t* cr = f.data[2];
    int chromaStride = f.linesize[1];
    if (halfWidth) {
        // Only the chroma planes are resampled (luma is read where it is):
        // each goes through the scaler as a grey picture.
        const int chromaHeight = halfHeight ? f.height / 2 : f.height;
        chromaScaler_.reset(sws_getCachedContext(
            chromaScaler_.release(), f.width / 2, chromaHeight, AV_PIX_FMT_GRAY8, f.width, f.height,
            AV_PIX_FMT_GRAY8, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
        if (!chromaScaler_)
            return std::nullopt;
        // The scaler writes whole vectors, past the end of narrow rows: rows
        // 64-byte aligned, and room past the last one.
        chromaStride = FFALIGN(f.width, 64);
        const std::size_t plane = static_cast<std::size_t>(chromaStride) * f.height;
        chroma_.resize(2 * plane + 64);
        for (int p = 1; p <= 2; ++p) {
            const std::uint8_t* from[4] = {f.data[p]};
            const int fromStride[4] = {f.linesize[p]};
            std::uint8_t* to[4] = {chroma_.data() + (p - 1) * plane};
            const int toStride[4] = {chromaStride};
            sws_scale(chromaScaler_.get(), from, fromStride, 0, chromaHeight, to, toStride);
        }
        cb = chroma_.data();
        cr = chroma_.data() + plane;
    }

    fullRange = fullRange || knownColourCode(f.color_range, AVCOL_RANGE_NB,
                                             AVCOL_RANGE_UNSPECIFIED) == AVCOL_RANGE_JPEG;
    const AVColorSpace matrix = knownColourCode(f.colorspace, AVCOL_SPC_NB, AVCOL_SPC_UNSPECIFIED);
    if (!matrix_ || matrix != matrixCode_ || fullRange != matrixFullRange_) {
        matrix_.emplace(matrix, fullRange);
        matrixCode_ = matrix;
        matrixFullRange_ = fullRange;
    }
    HostWorld image(f.width, f.height, 8);
    for (int y = 0; y < f.height; ++y)
        matrix_->row(f.data[0] + static_cast<std::ptrdiff_t>(y) * f.linesize[0],
                     cb + static_cast<std::ptrdiff_t>(y) * chromaStride,
                     cr + static_cast<std::ptrdiff_t>(y) * chromaStride, f.width,
                     static_cast<PF_Pixel8*>(image.row(y)));
    return image;
}

HostWorld PictureConverter::convert(const AVFrame& f, long index) {
    const std::uint32_t pixelBytes = depth_ == 8 ? sizeof(PF_Pixel8) : sizeof(PF_Pixel16);
    const std::string budget = ImageBudget::refusal(
        static_cast<std::uint64_t>(f.width), static_cast<std::uint64_t>(f.height), pixelBytes);
    if (!budget.empty())
        throw VideoError(path_ + ": frame " + std::to_string(index) + ": " + budget);
    // 8-bit frames shown as stored go straight into the host image, whose
    // layout is FFmpeg's ARGB; the others through RGBA, kept between frames.
    const bool direct = depth_ == 8 && orientation_.upright();
    if (direct)
        if (std::optional<HostWorld> image = convertPlanar(f))
            return std::move(*image);
    const AVPixelFormat rgba = direct        ? AV_PIX_FMT_ARGB
                               : depth_ == 8 ? AV_PIX_FMT_RGBA
                                             : AV_PIX_FMT_RGBA64LE;
    scaler_.reset(sws_getCachedContext(scaler_.release(), f.width, f.height,
                                       static_cast<AVPixelFormat>(f.format), f.width, f.height,
                                       rgba, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                       nullptr, nullptr, nullptr));
    if (!scaler_)
        throw VideoError(path_ + ": cannot convert its pixel format to RGBA");
    // The stream's own range and matrix, to full-range RGB.
    const AVColorSpace matrix = knownColourCode(f.colorspace, AVCOL_SPC_NB, AVCOL_SPC_UNSPECIFIED);
    const int space = matrix == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : matrix;
    sws_setColorspaceDetails(
        scaler_.get(), sws_getCoefficients(space),
        knownColourCode(f.color_range, AVCOL_RANGE_NB, AVCOL_RANGE_UNSPECIFIED) == AVCOL_RANGE_JPEG,
        sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    if (direct) {
        HostWorld image(f.width, f.height, 8);
        std::uint8_t* planes[4] = {static_cast<std::uint8_t*>(image.row(0))};
        int strides[4] = {image.rowBytes()};
        sws_scale(scaler_.get(), f.data, f.linesize, 0, f.height, planes, strides);
        return image;
    }
    const std::size_t rgbaBytes = depth_ == 8 ? 4 : 8;
    pixels_.resize(static_cast<std::size_t>(f.width) * f.height * rgbaBytes);
    std::uint8_t* planes[4] = {pixels_.data()};
    int strides[4] = {static_cast<int>(f.width * rgbaBytes)};
    sws_scale(scaler_.get(), f.data, f.linesize, 0, f.height, planes, strides);

    int width = f.width, height = f.height;
    const std::uint8_t* upright = pixels_.data();
    if (!orientation_.upright()) {
        turned_.resize(pixels_.size());
        orientation_.apply(pixels_.data(), width, height, rgbaBytes, turned_.data());
        upright = turned_.data();
        if (orientation_.swapsSides())
            std::swap(width, height);
    }

    HostWorld image(width, height, depth_);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = upright + static_cast<std::size_t>(y) * width * rgbaBytes;
        if (depth_ == 8) {
            auto* to = static_cast<PF_Pixel8*>(image.row(y));
            for (int x = 0; x < width; ++x, from += 4)
                to[x] = PF_Pixel8{from[3], from[0], from[1], from[2]};
        } else {
            auto* to = static_cast<PF_Pixel16*>(image.row(y));
            std::uint16_t c[4];
            for (int x = 0; x < width; ++x, from += 8) {
                std::memcpy(c, from, sizeof c);
                to[x] = PF_Pixel16{hostFromFile16(c[3]), hostFromFile16(c[0]), hostFromFile16(c[1]),
                                   hostFromFile16(c[2])};
            }
        }
    }
    return image;
}
