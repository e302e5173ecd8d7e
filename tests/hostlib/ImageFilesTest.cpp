// Image files: each format through a real file, checked against an
// independent decoder where the file's own bytes matter (that each format
// reads back what was written is ImageWriteSettingsTest's part).
#include <gtest/gtest.h>

#include <cstring>

#include "ImageFiles.h"
#include "package/TempFolder.h"
#include "support/Files.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>

namespace {

TEST(ImageFiles, PngKeepsEightBitImagesInTheFilesChannelOrder) {
    TempFolder folder;
    HostWorld image(3, 2, 8);
    static_cast<PF_Pixel8*>(image.row(0))[0] = PF_Pixel8{10, 20, 30, 40};
    static_cast<PF_Pixel8*>(image.row(1))[2] = PF_Pixel8{255, 1, 2, 3};
    const std::string path = folder / "eight.png";
    writeImageFile(path, image);

    // The file holds red, green, blue, alpha.
    int w = 0, h = 0, n = 0;
    stbi_uc* rgba = stbi_load(path.c_str(), &w, &h, &n, 4);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(std::vector<int>(rgba, rgba + 4), (std::vector<int>{20, 30, 40, 10}));
    stbi_image_free(rgba);
}

TEST(ImageFiles, SixteenBitValuesScaleBetweenTheHostAndFileRanges) {
    EXPECT_EQ(fileFromHost16(0), 0);
    EXPECT_EQ(fileFromHost16(32768), 65535);
    EXPECT_EQ(fileFromHost16(16384), 32768);
    EXPECT_EQ(hostFromFile16(65535), 32768);
    EXPECT_EQ(hostFromFile16(1), 1);
    for (int v = 0; v <= 32768; ++v)
        ASSERT_EQ(hostFromFile16(fileFromHost16(static_cast<A_u_short>(v))), v);

    TempFolder folder;
    HostWorld image(2, 1, 16);
    static_cast<PF_Pixel16*>(image.row(0))[0] = PF_Pixel16{32768, 16384, 1, 0};
    static_cast<PF_Pixel16*>(image.row(0))[1] = PF_Pixel16{12345, 32768, 7, 30000};
    const std::string path = folder / "sixteen.png";
    writeImageFile(path, image);

    int w = 0, h = 0, n = 0;
    stbi_us* rgba = stbi_load_16(path.c_str(), &w, &h, &n, 4);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(std::vector<int>(rgba, rgba + 4), (std::vector<int>{32768, 2, 0, 65535}));
    stbi_image_free(rgba);
}

TEST(ImageFiles, ExrWidensShallowerImagesToFloat) {
    TempFolder folder;
    HostWorld eight(1, 1, 8);
    static_cast<PF_Pixel8*>(eight.row(0))[0] = PF_Pixel8{255, 51, 0, 102};
    writeImageFile(folder / "eight.exr", eight);
    const PF_PixelFloat p = readImageFile(folder / "eight.exr").get(0, 0);
    EXPECT_FLOAT_EQ(p.alpha, 1.0f);
    EXPECT_FLOAT_EQ(p.red, 0.2f);
    EXPECT_FLOAT_EQ(p.blue, 0.4f);
}

TEST(ImageFiles, ReadsRadianceHdrAsFloatAndJpegAsEightBits) {
    TempFolder folder;
    const float rgb[] = {4.0f, 0.5f, 0.0f, 1.0f, 1.0f, 1.0f};
    ASSERT_TRUE(stbi_write_hdr((folder / "light.hdr").c_str(), 2, 1, 3, rgb));
    const HostWorld hdr = readImageFile(folder / "light.hdr");
    ASSERT_EQ(hdr.depth(), 32);
    ASSERT_EQ(hdr.width(), 2);
    const PF_PixelFloat first = hdr.get(0, 0);
    EXPECT_NEAR(first.red, 4.0f, 0.05f);
    EXPECT_NEAR(first.green, 0.5f, 0.01f);
    EXPECT_EQ(first.alpha, 1.0f);

    // A 16 x 8 JPEG: left half (200, 60, 40), right half (40, 60, 200).
    const HostWorld jpeg = readImageFile(QS_TEST_SOURCE_DIR "/tests/hostlib/data/halves.jpg");
    ASSERT_EQ(jpeg.depth(), 8);
    ASSERT_EQ(jpeg.width(), 16);
    const PF_Pixel8 left = static_cast<const PF_Pixel8*>(jpeg.row(4))[2];
    const PF_Pixel8 right = static_cast<const PF_Pixel8*>(jpeg.row(4))[13];
    EXPECT_EQ(left.alpha, 255);
    EXPECT_NEAR(left.red, 200, 4);
    EXPECT_NEAR(left.blue, 40, 4);
    EXPECT_NEAR(right.red, 40, 4);
    EXPECT_NEAR(right.blue, 200, 4);
}

TEST(ImageFiles, DamagedMissingAndUnwritableFilesAreReportedByName) {
    TempFolder folder;
    const auto fails = [](const auto& action, const std::string& mention) {
        try {
            action();
            ADD_FAILURE() << "no error for " << mention;
        } catch (const ImageFileError& e) {
            EXPECT_NE(std::string(e.what()).find(mention), std::string::npos) << e.what();
        }
    };
    fails([&] { readImageFile(folder / "missing.png"); }, "missing.png");
    // A folder opens like a file but cannot be read.
    std::filesystem::create_directory(folder / "folder.png");
    fails([&] { readImageFile(folder / "folder.png"); }, "folder.png");

    HostWorld image(16, 16, 8);
    writeImageFile(folder / "whole.png", image);
    const std::string whole = readFile(folder / "whole.png");
    writeFile(folder / "cut.png", whole.substr(0, whole.size() / 2));
    fails([&] { readImageFile(folder / "cut.png"); }, "cut.png");
    writeFile(folder / "text.exr", "v/1 not really");
    fails([&] { readImageFile(folder / "text.exr"); }, "text.exr");
    // A sound file of a format the tool does not take.
    fails([&] { readImageFile(QS_TEST_SOURCE_DIR "/fuzz/corpus/image/blue.ppm"); }, "blue.ppm");

    fails([&] { writeImageFile(folder / "out.tif", image); }, "out.tif");
    fails([&] { writeImageFile(folder / "empty.png", HostWorld()); }, "empty.png");
    // A folder cannot be made where a file lies.
    fails([&] { writeImageFile(folder / "whole.png/inside.png", image); }, "inside.png");
}

}  // namespace
