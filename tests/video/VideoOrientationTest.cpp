// A video whose display matrix turns or mirrors its picture (a phone's
// portrait clip) is read as a viewer sees it: the effect gets the turned
// picture, and the output is upright with no matrix.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>

#include "VideoTestSupport.h"
#include "package/TempFolder.h"

namespace {

using namespace videotest;

// Writes the 2x2 and the shift of the first track's display matrix into a
// .mov's track header, as a camera that films mirrored would.
void setDisplayMatrix(const std::string& path, int a, int b, int c, int d, int x, int y) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::size_t header = bytes.find("tkhd");
    ASSERT_NE(header, std::string::npos);
    ASSERT_EQ(bytes[header + 4], 0) << "a version 0 track header";
    // After the type: version and flags, times, track, duration, layer,
    // group, volume (40 bytes); then a b u / c d v / x y w, big-endian.
    const std::int32_t one = 1 << 16;
    const std::int32_t matrix[9] = {a * one, b * one, 0,       c * one, d * one,
                                    0,       x * one, y * one, 1 << 30};
    file.seekp(static_cast<std::streamoff>(header + 4 + 40));
    for (std::int32_t value : matrix) {
        const auto u = static_cast<std::uint32_t>(value);
        const char big[4] = {static_cast<char>(u >> 24), static_cast<char>(u >> 16),
                             static_cast<char>(u >> 8), static_cast<char>(u)};
        file.write(big, 4);
    }
}

TEST(VideoOrientation, TurnedAndMirroredClipsComeOutUprightAsAViewerSeesThem) {
    const TempFolder folder;
    // 64 x 32, lossless RGB: any pixel in the wrong place shows.
    const std::string plain = folder / "plain.mkv";
    run("ffmpeg -v error -f lavfi -i testsrc2=size=64x32:rate=24 -frames:v 3 -c:v ffv1 "
        "-pix_fmt bgra '" +
        plain + "'");
    ASSERT_FALSE(pixels(plain, "rgba").empty());

    // Quarter and half turns as the ffmpeg program writes them and shows them.
    for (const char* degrees : {"90", "180", "270"}) {
        const std::string turned = folder / (std::string("turned") + degrees + ".mov");
        run("ffmpeg -v error -i '" + plain + "' -c copy -metadata:s:v:0 rotate=" + degrees + " '" +
            turned + "'");
        const std::string out = folder / (std::string("out") + degrees + ".mkv");
        const ToolOutput rendered = render(turned, out, "--quiet");
        ASSERT_EQ(rendered.status, 0) << degrees << ": " << rendered.text;
        EXPECT_EQ(probe(out, "v:0", "width,height"),
                  std::string(degrees) == "180" ? "64,32\n" : "32,64\n")
            << degrees;
        EXPECT_TRUE(pixels(out, "rgba") == pixels(turned, "rgba")) << degrees;
        EXPECT_EQ(run("ffprobe -v error -show_streams '" + out + "'").find("Display Matrix"),
                  std::string::npos)
            << degrees;
    }

    // Mirrors, alone and with a quarter turn (a transposition).
    const struct {
        int a, b, c, d, x, y;
        const char* filter;
        const char* size;
    } mirrors[] = {
        {-1, 0, 0, 1, 64, 0, "hflip", "64,32\n"},
        {1, 0, 0, -1, 0, 32, "vflip", "64,32\n"},
        {0, 1, 1, 0, 0, 0, "transpose=cclock_flip", "32,64\n"},
    };
    for (const auto& m : mirrors) {
        const std::string mirrored = folder / "mirrored.mov";
        run("ffmpeg -y -v error -i '" + plain + "' -c copy '" + mirrored + "'");
        setDisplayMatrix(mirrored, m.a, m.b, m.c, m.d, m.x, m.y);
        const std::string out = folder / "mirrored.mkv";
        const ToolOutput rendered = render(mirrored, out, "--quiet");
        ASSERT_EQ(rendered.status, 0) << m.filter << ": " << rendered.text;
        EXPECT_EQ(probe(out, "v:0", "width,height"), m.size) << m.filter;
        EXPECT_TRUE(pixels(out, "rgba") == pixels(plain, "rgba", std::string("-vf ") + m.filter))
            << m.filter;
        std::filesystem::remove(out);
    }
}

}  // namespace
