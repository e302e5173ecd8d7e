// What goes along with the frames: every audio track the container takes,
// the timecode offset to the first rendered frame, and the field order; what
// cannot go along is named on the terminal.
#include <gtest/gtest.h>

#include "VideoTestSupport.h"
#include "package/TempFolder.h"

namespace {

using namespace videotest;

// The MD5 of the packets of one audio track.
std::string track(const std::string& path, int index) {
    return run("ffmpeg -v error -i '" + path + "' -map 0:a:" + std::to_string(index) +
               " -c copy -f md5 -");
}

TEST(VideoTracks, AudioTracksTimecodeAndFieldOrderGoAlongOrAreNamed) {
    const TempFolder folder;
    // Interlaced, top field first, at 01:00:00:00, with two PCM tracks.
    const std::string source = folder / "in.mov";
    run("ffmpeg -v error -f lavfi -i testsrc2=size=64x48:rate=24:duration=0.5 "
        "-f lavfi -i sine=frequency=440:duration=0.5:sample_rate=48000 "
        "-f lavfi -i sine=frequency=880:duration=0.5:sample_rate=48000 -map 0 -map 1 -map 2 "
        "-flags +ildct+ilme -field_order tt -c:v prores_ks -c:a pcm_s16le "
        "-timecode 01:00:00:00 '" +
        source + "'");
    ASSERT_EQ(probe(source, "a", "codec_name"), "pcm_s16le\npcm_s16le\n");

    for (const char* name : {"out.mov", "out.mkv"}) {
        const std::string out = folder / name;
        const ToolOutput rendered = render(source, out, "--quiet --frames 2-5");
        ASSERT_EQ(rendered.status, 0) << name << ": " << rendered.text;
        EXPECT_EQ(probe(out, "v:0", "field_order"), "tt\n") << name;
        EXPECT_EQ(probe(out, "a", "codec_name"), "pcm_s16le\npcm_s16le\n") << name;
        // Each track its own sound, in the source's order.
        EXPECT_NE(track(out, 0), track(out, 1)) << name;
        // The rendered frames start at the source's frame 2.
        const std::string timecode =
            run("ffprobe -v error -show_entries format_tags=timecode:stream_tags=timecode "
                "-of default=nk=1:nw=1 '" +
                out + "'");
        EXPECT_EQ(timecode.substr(0, timecode.find('\n')), "01:00:00:02") << name;
    }
    // Audio tracks after the first stay apart.
    const std::string single = folder / "single.mov";
    ASSERT_EQ(render(source, single, "--quiet").status, 0);
    EXPECT_EQ(track(single, 1), track(source, 1));

    // .mp4 takes no PCM: each track is named, the timecode and fields stay.
    const std::string preview = folder / "out.mp4";
    const ToolOutput rendered = render(source, preview, "--quiet --frames 2-5");
    ASSERT_EQ(rendered.status, 0) << rendered.text;
    EXPECT_TRUE(
        rendered.has("audio track 1 (pcm_s16le) is left out: .mp4 files cannot hold "
                     "pcm_s16le"))
        << rendered.text;
    EXPECT_TRUE(rendered.has("audio track 2 (pcm_s16le) is left out")) << rendered.text;
    EXPECT_EQ(probe(preview, "a", "codec_name"), "");
    EXPECT_EQ(probe(preview, "v:0", "field_order"), "tt\n");
    EXPECT_TRUE(run("ffprobe -v error -show_streams '" + preview + "'").find("01:00:00:02") !=
                std::string::npos);
}

}  // namespace
