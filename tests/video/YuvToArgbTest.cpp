// The table conversion of 8-bit Y'CbCr to the host's ARGB against the
// scaler's own full-chroma conversion, which it stands in for: every matrix
// the scaler knows, both ranges, every combination of levels on a grid over
// the range's codes and its ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "LibavObjects.h"
#include "YuvToArgb.h"

namespace {

TEST(YuvToArgb, AgreesWithTheScalerForEveryMatrixAndRange) {
    for (AVColorSpace matrix :
         {AVCOL_SPC_UNSPECIFIED, AVCOL_SPC_BT709, AVCOL_SPC_FCC, AVCOL_SPC_BT470BG,
          AVCOL_SPC_SMPTE170M, AVCOL_SPC_SMPTE240M, AVCOL_SPC_BT2020_NCL, AVCOL_SPC_YCGCO}) {
        for (bool fullRange : {false, true}) {
            // Video range from 16 to 235 (luma) and 240 (chroma): beyond,
            // the scaler's own sums overflow for the most extreme pairs.
            std::vector<int> luma, chroma;
            for (int v = fullRange ? 0 : 16; v < (fullRange ? 255 : 235); v += 11)
                luma.push_back(v);
            luma.push_back(fullRange ? 255 : 235);
            for (int v = fullRange ? 0 : 16; v < (fullRange ? 255 : 240); v += 14)
                chroma.push_back(v);
            chroma.push_back(fullRange ? 255 : 240);
            const int width = static_cast<int>(chroma.size() * chroma.size());
            const int height = static_cast<int>(luma.size());
            // Row r holds luma[r]; column c the pair (Cb, Cr) it names.
            std::vector<std::uint8_t> planes[3];
            for (auto& plane : planes) plane.resize(static_cast<std::size_t>(width) * height);
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c) {
                    const std::size_t at = static_cast<std::size_t>(r) * width + c;
                    planes[0][at] = static_cast<std::uint8_t>(luma[r]);
                    planes[1][at] = static_cast<std::uint8_t>(chroma[c / chroma.size()]);
                    planes[2][at] = static_cast<std::uint8_t>(chroma[c % chroma.size()]);
                }
            Scaler scaler(sws_getContext(
                width, height, AV_PIX_FMT_YUV444P, width, height, AV_PIX_FMT_ARGB,
                SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
            ASSERT_TRUE(scaler);
            const int space = matrix == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : matrix;
            sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(space), fullRange,
                                     sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
            std::vector<PF_Pixel8> expected(static_cast<std::size_t>(width) * height);
            const std::uint8_t* from[4] = {planes[0].data(), planes[1].data(), planes[2].data()};
            const int fromStride[4] = {width, width, width};
            std::uint8_t* to[4] = {reinterpret_cast<std::uint8_t*>(expected.data())};
            const int toStride[4] = {width * 4};
            sws_scale(scaler.get(), from, fromStride, 0, height, to, toStride);

            const YuvToArgb tables(matrix, fullRange);
            std::vector<PF_Pixel8> actual(expected.size());
            for (int r = 0; r < height; ++r) {
                const std::size_t row = static_cast<std::size_t>(r) * width;
                tables.row(&planes[0][row], &planes[1][row], &planes[2][row], width, &actual[row]);
            }
            int largest = 0;
            for (std::size_t i = 0; i < actual.size(); ++i) {
                EXPECT_EQ(actual[i].alpha, 255);
                largest = std::max({largest, std::abs(actual[i].red - expected[i].red),
                                    std::abs(actual[i].green - expected[i].green),
                                    std::abs(actual[i].blue - expected[i].blue)});
            }
            // The scaler rounds through 15 bits; its results are off the
            // exact ones by one level at most.
            EXPECT_LE(largest, 1) << "matrix " << matrix << (fullRange ? " full" : " video")
                                  << " range";
        }
    }
}

TEST(YuvToArgb, CodesBeyondVideoRangeClampWithoutWrappingAround) {
    const YuvToArgb tables(AVCOL_SPC_BT709, false);
    // Superwhite with the most extreme chroma: blue far above 255, red below
    // 0; the scaler wraps blue to 0 here.
    const std::uint8_t y = 240, cb = 255, cr = 0;
    PF_Pixel8 pixel{};
    tables.row(&y, &cb, &cr, 1, &pixel);
    EXPECT_EQ(pixel.red, 31);
    EXPECT_EQ(pixel.green, 255);
    EXPECT_EQ(pixel.blue, 255);
}

}  // namespace
