#include "YuvToArgb.h"

#include <cmath>

#include "ColourCode.h"

extern "C" {
#include <libavutil/csp.h>
}

namespace {

constexpr int kFraction = 16;

std::int32_t fixed(double value) {
    return static_cast<std::int32_t>(std::lround(value * (1 << kFraction)));
}

std::uint8_t clamped(std::int32_t value) {
    value = (value + (1 << (kFraction - 1))) >> kFraction;
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

}  // namespace

YuvToArgb::YuvToArgb(AVColorSpace matrix, bool fullRange) {
    double kr = 0.299, kb = 0.114;
    // The scaler reads constant-luminance BT.2020 with the same coefficients.
    if (scalerKnowsMatrix(matrix) || matrix == AVCOL_SPC_BT2020_CL) {
        const AVLumaCoefficients* k = av_csp_luma_coeffs_from_avcsp(matrix);
        kr = av_q2d(k->cr);
        kb = av_q2d(k->cb);
    }
    const double kg = 1 - kr - kb;
    const double lumaScale = fullRange ? 1 : 255.0 / 219;
    const double chromaScale = fullRange ? 1 : 255.0 / 224;
    const int lumaZero = fullRange ? 0 : 16;
    for (int v = 0; v < 256; ++v) {
        const double luma = (v - lumaZero) * lumaScale;
        const double chroma = (v - 128) * chromaScale;
        luma_[v] = fixed(luma);
        redFromCr_[v] = fixed(2 * (1 - kr) * chroma);
        blueFromCb_[v] = fixed(2 * (1 - kb) * chroma);
        greenFromCb_[v] = fixed(-2 * kb * (1 - kb) / kg * chroma);
        greenFromCr_[v] = fixed(-2 * kr * (1 - kr) / kg * chroma);
    }
}

void YuvToArgb::row(const std::uint8_t* y, const std::uint8_t* cb, const std::uint8_t* cr,
                    int width, PF_Pixel8* out) const {
    for (int x = 0; x < width; ++x) {
        const std::int32_t luma = luma_[y[x]];
        out[x] = PF_Pixel8{255, clamped(luma + redFromCr_[cr[x]]),
                           clamped(luma + greenFromCb_[cb[x]] + greenFromCr_[cr[x]]),
                           clamped(luma + blueFromCb_[cb[x]])};
    }
}
