// Image files a user may hand the tool that its decoders mishandled: each is
// refused before the decoder goes wrong. The files are the imagefile fuzz
// target's seeds, where each such case is kept, beside real files of every
// format that must still decode.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "ImageFiles.h"

namespace {

const std::filesystem::path kSeeds =
    std::filesystem::path(QS_TEST_SOURCE_DIR) / "fuzz" / "corpus" / "imagefile";

std::vector<std::uint8_t> seed(const std::string& name) {
    std::ifstream in(kSeeds / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Why the file is refused; empty when it decodes.
std::string refusal(const std::vector<std::uint8_t>& bytes) {
    try {
        decodeImage(bytes);
        return {};
    } catch (const ImageFileError& error) {
        return error.what();
    }
}

// Whether decoding ends, refused or not, within `seconds`: a child process
// decodes, so that a decoder that never returns fails the test instead of
// stopping the suite.
bool decodingEnds(const std::vector<std::uint8_t>& bytes, unsigned seconds) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(seconds);
        refusal(bytes);
        _exit(0);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST(ImageFileSafety, EveryFormatsSeedsStillDecode) {
    // File name: width, height and depth.
    const std::map<std::string, std::vector<int>> expected = {
        {"rgba8.png", {8, 8, 8}},           {"rgb16.png", {8, 8, 16}},
        {"gray8.png", {8, 8, 8}},           {"grayalpha16.png", {8, 8, 16}},
        {"palette.png", {8, 8, 8}},         {"mono1.png", {8, 8, 8}},
        {"interlaced-trns.png", {8, 8, 8}}, {"baseline420.jpg", {8, 8, 8}},
        {"baseline444.jpg", {8, 8, 8}},     {"rle.hdr", {8, 4, 32}},
        {"white.hdr", {2, 2, 32}},          {"none-half.exr", {8, 8, 32}},
        {"rle-float.exr", {8, 8, 32}},      {"zip1.exr", {8, 8, 32}},
        {"zip16.exr", {8, 8, 32}},          {"piz.exr", {8, 8, 32}},
        {"pxr24.exr", {8, 8, 32}},          {"b44a.exr", {8, 8, 32}},
        {"dwaa.exr", {8, 8, 32}},           {"tiled-window.exr", {6, 6, 32}},
    };
    for (const auto& [name, size] : expected) {
        try {
            const HostWorld image = decodeImage(seed(name));
            EXPECT_EQ((std::vector<int>{image.width(), image.height(), image.depth()}), size)
                << name;
        } catch (const ImageFileError& error) {
            ADD_FAILURE() << name << ": " << error.what();
        }
    }
}

TEST(ImageFileSafety, DamagedFilesAreRefusedBeforeTheDecoderGoesWrong) {
    // A JPEG Huffman table of more than 256 codes, which the decoder writes
    // past its tables for (the header reader as well): found by the engine's
    // image target, here as the same table cut off by the end of the file and
    // behind fill bytes before the start marker.
    for (const char* name : {"bad-huffman.jpg", "truncated-huffman.jpg", "fill-before-start.jpg"})
        EXPECT_NE(refusal(seed(name)).find("Huffman table"), std::string::npos) << name;

    // Found by fuzzing: an OpenEXR header attribute of a type OpenEXR does
    // not know, stating 1.6 GB in a 140-byte file, which OpenEXR allocated
    // before reading. Refused from the header, naming the attribute's size.
    EXPECT_NE(refusal(seed("exr-attribute-beyond-file.exr")).find("more than the file holds"),
              std::string::npos);

    // Found by fuzzing: Radiance HDR files cut off inside their run-length
    // data. The decoder read zeros past the end, and a zero count adds no
    // pixels: it never returned. In the second the header ends at a line
    // that starts with a zero byte, as the decoder reads lines.
    for (const char* name : {"hdr-runs-cut-off.hdr", "hdr-header-zero-line.hdr"}) {
        const std::vector<std::uint8_t> cutOff = seed(name);
        ASSERT_TRUE(decodingEnds(cutOff, 10)) << name;
        EXPECT_NE(refusal(cutOff).find("ends before the image data"), std::string::npos) << name;
    }
}

}  // namespace
