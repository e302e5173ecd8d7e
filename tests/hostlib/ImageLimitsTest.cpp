// Image files that state a size their memory limit or their own length cannot
// hold: each is refused from its header, before the pixels are allocated,
// with the stated size in the message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ImageBudget.h"
#include "ImageFiles.h"
#include "package/TempFolder.h"
#include "support/Files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void appendBigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

std::uint32_t crc32(const Bytes& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void appendChunk(Bytes& out, const char* type, const Bytes& data) {
    appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    appendBigEndian(out, crc32(typed));
}

// A PNG stating width × height whose image data is a few bytes (their
// content does not matter: the size is refused before they are inflated).
Bytes statedPng(std::uint32_t width, std::uint32_t height, std::uint8_t colourType) {
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    Bytes header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(), {8, colourType, 0, 0, 0});
    appendChunk(file, "IHDR", header);
    appendChunk(file, "IDAT", Bytes{0x78, 0x9c, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
    appendChunk(file, "IEND", {});
    return file;
}

// A real JPEG (tests/hostlib/data/halves.jpg, 16 x 8) whose frame header is
// rewritten to state width × height.
Bytes statedJpeg(std::uint16_t width, std::uint16_t height) {
    const std::string real = readFile(QS_TEST_SOURCE_DIR "/tests/hostlib/data/halves.jpg");
    Bytes file(real.begin(), real.end());
    for (std::size_t at = 2; at + 9 < file.size(); ++at) {
        if (file[at] == 0xFF && file[at + 1] == 0xC0) {
            file[at + 5] = std::uint8_t(height >> 8), file[at + 6] = std::uint8_t(height);
            file[at + 7] = std::uint8_t(width >> 8), file[at + 8] = std::uint8_t(width);
            return file;
        }
    }
    ADD_FAILURE() << "no frame header";
    return file;
}

std::string decodeFailure(const Bytes& file) {
    try {
        decodeImage(file);
    } catch (const ImageFileError& e) {
        return e.what();
    }
    return "decoded";
}

// Sets the limit's variable for one test and restores it.
class ImageLimit {
public:
    explicit ImageLimit(const char* mib) { ::setenv(ImageBudget::kVariable, mib, 1); }
    ~ImageLimit() { ::unsetenv(ImageBudget::kVariable); }
};

TEST(ImageLimits, SizesBeyondTheMemoryLimitAreRefusedFromTheHeader) {
    // 68 bytes stating 46000 x 46000 RGBA: 8 GB once decoded.
    const std::string png = decodeFailure(statedPng(46000, 46000, 6));
    EXPECT_NE(png.find("46000 x 46000"), std::string::npos) << png;
    EXPECT_NE(png.find("2048 MiB"), std::string::npos) << png;
    EXPECT_NE(png.find(ImageBudget::kVariable), std::string::npos) << png;

    // An OpenEXR file whose data window grows to 20000 x 20000 floats.
    TempFolder folder;
    writeImageFile(folder / "small.exr", HostWorld(4, 4, 32));
    std::string exr = readFile(folder / "small.exr");
    const std::size_t window = exr.find(std::string("dataWindow\0box2i\0", 17));
    ASSERT_NE(window, std::string::npos);
    const std::int32_t corner[2] = {19999, 19999};
    std::memcpy(&exr[window + 17 + 4 + 8], corner, sizeof corner);
    exr.resize(exr.size() + 20000 / 32 * 8, '\0');  // room for its table of chunks
    const std::string exrFailure = decodeFailure(Bytes(exr.begin(), exr.end()));
    EXPECT_NE(exrFailure.find("20000 x 20000"), std::string::npos) << exrFailure;
}

TEST(ImageLimits, FilesTooShortForTheirStatedSizeEndEarly) {
    // Within the memory limit, but a few bytes cannot hold the pixels.
    const std::string png = decodeFailure(statedPng(8000, 8000, 0));
    EXPECT_NE(png.find("ends before the image data of the 8000 x 8000"), std::string::npos) << png;

    // stb_image would fill a JPEG's missing blocks with grey and succeed.
    const std::string jpeg = decodeFailure(statedJpeg(16384, 16384));
    EXPECT_NE(jpeg.find("ends before the image data of the 16384 x 16384"), std::string::npos)
        << jpeg;

    const std::string header = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 8000 +X 8000\n";
    Bytes hdr(header.begin(), header.end());
    hdr.resize(hdr.size() + 64, 2);
    const std::string radiance = decodeFailure(hdr);
    EXPECT_NE(radiance.find("8000 x 8000"), std::string::npos) << radiance;

    // The same JPEG at the size it holds still reads.
    EXPECT_EQ(decodeImage(statedJpeg(16, 8)).width(), 16);
}

TEST(ImageLimits, TheUserSetsTheLimitInMebibytes) {
    TempFolder folder;
    writeImageFile(folder / "wide.png", HostWorld(1024, 300, 8));  // 1.2 MB in the host's layout
    EXPECT_EQ(readImageFile(folder / "wide.png").width(), 1024);
    {
        ImageLimit limit("1");
        try {
            readImageFile(folder / "wide.png");
            ADD_FAILURE() << "read past a 1 MiB limit";
        } catch (const ImageFileError& e) {
            EXPECT_NE(std::string(e.what()).find("over the limit of 1 MiB"), std::string::npos)
                << e.what();
        }
    }
    {
        ImageLimit limit("lots");
        std::string error;
        ImageBudget::limit(error);
        EXPECT_NE(error.find("whole number of MiB"), std::string::npos) << error;
        EXPECT_NE(ImageBudget::refusal(1, 1, 4), "");
    }
}

}  // namespace
