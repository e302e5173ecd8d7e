// The colour a source is tagged with goes into every output: primaries and
// transfer as they came (the effect's RGB is still in them), the matrix and
// range where the codec's pixels can say them, and HDR metadata.
#include <gtest/gtest.h>

#include "VideoTestSupport.h"
#include "package/TempFolder.h"

namespace {

using namespace videotest;

// Range, matrix, transfer and primaries, as ffprobe orders them.
std::string colour(const std::string& path) {
    const std::string entries = probe(
        path, "v:0", "color_range,color_space,color_transfer,color_primaries,chroma_location");
    // Side data follow as lines of their own, after a separator.
    std::string line = entries.substr(0, entries.find('\n'));
    if (!line.empty() && line.back() == ',')
        line.pop_back();
    return line;
}

TEST(VideoColour, ATaggedBt709SourceKeepsItsTagsInEveryOutputAndFullRangeStaysFull) {
    const TempFolder folder;
    const std::string source = folder / "in.mp4";
    // Flat colours, dark and light: read or written at the other range, they
    // move by 10 levels and more.
    run("ffmpeg -v error -f lavfi -i color=c=0x18e070:size=64x48:rate=24 -vf "
        "drawbox=w=32:h=48:color=0xf02010:t=fill -frames:v 3 -pix_fmt yuv420p "
        "-c:v libx264 -color_primaries bt709 -color_trc bt709 -colorspace bt709 -color_range pc '" +
        source + "'");
    ASSERT_EQ(colour(source), "pc,bt709,bt709,bt709,left");
    const struct {
        const char* output;
        const char* colour;
    } cases[] = {
        {"out.mov", "tv,bt709,bt709,bt709,unspecified"},  // ProRes is video range, 4:4:4
        {"out.mkv", "pc,gbr,bt709,bt709,unspecified"},    // FFV1 stores RGB
        {"out.mp4", "pc,bt709,bt709,bt709,left"},
    };
    for (const auto& c : cases) {
        const ToolOutput out = render(source, folder / c.output, "--quiet");
        ASSERT_EQ(out.status, 0) << c.output << ": " << out.text;
        EXPECT_EQ(colour(folder / c.output), c.colour) << c.output;
        // Each range as it is tagged: the pixels come back.
        EXPECT_LT(meanDifference(pixels(folder / c.output, "rgb24"), pixels(source, "rgb24")), 2.0)
            << c.output;
    }
}

TEST(VideoColour, AnHdrSourceKeepsBt2020PqAndItsMasteringMetadataAndEightBitsAreWarnedOf) {
    const TempFolder folder;
    const std::string source = folder / "hdr.mp4";
    run("ffmpeg -v error -f lavfi -i testsrc2=size=64x48:rate=24 -frames:v 3 "
        "-pix_fmt yuv420p10le -c:v libx265 -color_primaries bt2020 -color_trc smpte2084 "
        "-colorspace bt2020nc -x265-params 'log-level=error:hdr10=1:"
        "master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,1):"
        "max-cll=1000,400' '" +
        source + "'");
    if (probe(source, "v:0", "codec_name") != "hevc\n")
        GTEST_SKIP() << "this ffmpeg has no HEVC encoder";
    const struct {
        const char* output;
        const char* colour;
    } cases[] = {
        {"out.mov", "tv,bt2020nc,smpte2084,bt2020,unspecified"},
        {"out.mkv", "pc,gbr,smpte2084,bt2020,unspecified"},
    };
    for (const auto& c : cases) {
        const ToolOutput out = render(source, folder / c.output, "--quiet");
        ASSERT_EQ(out.status, 0) << c.output << ": " << out.text;
        EXPECT_EQ(colour(folder / c.output), c.colour) << c.output;
        const std::string streams =
            run("ffprobe -v error -show_streams '" + folder / c.output + "'");
        EXPECT_NE(streams.find("Mastering display metadata"), std::string::npos) << c.output;
        EXPECT_NE(streams.find("max_luminance=1000"), std::string::npos) << c.output;
        EXPECT_NE(streams.find("max_content=1000"), std::string::npos) << c.output;
        EXPECT_NE(streams.find("max_average=400"), std::string::npos) << c.output;
    }
    // PQ in 8 bits bands; the H.264 preview says so.
    const ToolOutput preview = render(source, folder / "out.mp4", "--quiet");
    ASSERT_EQ(preview.status, 0) << preview.text;
    EXPECT_TRUE(preview.has("is HDR (smpte2084)") && preview.has("holds 8 bits")) << preview.text;
    EXPECT_EQ(colour(folder / "out.mp4"), "tv,bt2020nc,smpte2084,bt2020,left");
}

}  // namespace
