// Package images a hostile or careless effect may carry: decoder faults,
// formats outside the supported set and headers that declare more pixels
// than a texture or the pixel budget can hold. The files are the image fuzz
// target's seeds, where each such case is kept.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "entities/PixelBudget.h"
#include "gl/ImageDecoder.h"

namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ImageDecoderSafety, SeedsDecodeOrAreRefusedBeforeDecoding) {
    // File name: width, height and depth decoded; 0 × 0 for a refusal.
    const std::map<std::string, std::vector<std::uint32_t>> expected = {
        {"red.png", {3, 2, 8}},
        {"green16.png", {2, 2, 8}},
        {"grad.jpg", {3, 2, 8}},
        {"white.hdr", {2, 2, 32}},
        {"rle.hdr", {8, 4, 32}},
        // Found by fuzzing the tool's reader, which shares the decoder: run-
        // length scan lines cut off by the end of the file (and a header line
        // starting with a zero byte) kept the decoder looping for ever.
        {"hdr-runs-cut-off.hdr", {0, 0, 8}},
        {"hdr-header-zero-line.hdr", {0, 0, 8}},
        // A Huffman table of more than 256 symbols, which the decoder writes
        // past its tables for; found by fuzzing, the same table cut off by the
        // end of the file, and behind fill bytes before the start marker.
        {"bad-huffman.jpg", {0, 0, 8}},
        {"truncated-huffman.jpg", {0, 0, 8}},
        {"fill-before-start.jpg", {0, 0, 8}},
        // Found by fuzzing: an empty first image data chunk, which the
        // decoder copies from into a buffer it has not made yet.
        {"empty-first-idat.png", {0, 0, 8}},
        // Found by fuzzing: a chunk stating 2 GiB in a 394-byte file, which
        // the decoder allocates before reading.
        {"huge-chunk.png", {0, 0, 8}},
        // PNM is not decoded: 16-bit data is read past its end, and (found by
        // fuzzing) header numbers overflow.
        {"blue.ppm", {0, 0, 8}},
        {"pgm16.pgm", {0, 0, 8}},
        {"pnm-header-overflow.pgm", {0, 0, 8}},
        // Headers declaring gigabytes: over the texture size, over the
        // budget, formats not compiled in.
        {"bomb.png", {0, 0, 8}},
        {"bomb.bmp", {0, 0, 8}},
        {"bomb.tga", {0, 0, 8}},
    };
    const std::filesystem::path folder =
        std::filesystem::path(QS_TEST_SOURCE_DIR) / "fuzz" / "corpus" / "image";
    std::size_t checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const ImageDecoder image(fileBytes(entry.path()));
        const std::string name = entry.path().filename().string();
        const auto known = expected.find(name);
        // Seeds added by fuzzing need only decode without a fault.
        if (known == expected.end())
            continue;
        ++checked;
        EXPECT_EQ((std::vector<std::uint32_t>{image.width(), image.height(), image.depth()}),
                  known->second)
            << name;
        EXPECT_EQ(image.pixels() != nullptr, known->second[0] != 0) << name;
    }
    EXPECT_EQ(checked, expected.size());
}

TEST(ImageDecoderSafety, ImagesBeyondTheBudgetAreRefused) {
    const std::vector<std::uint8_t> png = fileBytes(std::filesystem::path(QS_TEST_SOURCE_DIR) /
                                                    "fuzz" / "corpus" / "image" / "red.png");
    // 3 × 2 pixels held twice (GPU and CPU copy) at 4 bytes: 48 bytes.
    PixelBudget::setLimit(47);
    EXPECT_EQ(ImageDecoder(png).pixels(), nullptr);
    PixelBudget::setLimit(48);
    EXPECT_NE(ImageDecoder(png).pixels(), nullptr);
    PixelBudget::setLimit(PixelBudget::kDefaultBytes);
}

}  // namespace
