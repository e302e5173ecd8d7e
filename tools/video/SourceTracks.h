#pragma once
// The source's audio tracks, copied unchanged into a rendered video and cut to
// its frames. A track the output's container cannot hold, and every track
// that is not audio (subtitles, data), is left out with a line saying which
// and why; a timecode track is not one of them, the writer makes its own.

#include <string>
#include <vector>

#include "LibavObjects.h"

class SourceTracks {
public:
    // Adds to `output` a stream for each audio track of `path` its container
    // takes; the rendered frames are frames `firstFrame` onwards of the
    // source's video stream at `rate`. `warnings` gets a line for each track
    // left out. Throws VideoError.
    SourceTracks(const std::string& path, AVFormatContext* output, const std::string& outputPath,
                 VideoRate rate, long firstFrame, std::vector<std::string>& warnings);

    // Writes the packets that play before `seconds` of the output.
    void copyUntil(double seconds);

private:
    struct Track {
        int from;
        AVStream* to;
        // The source's time of the output's start, in the track's time base.
        std::int64_t start;
    };
    const Track* trackOf(int sourceStream) const;

    std::string outputPath_;
    InputFile input_;
    AVFormatContext* output_;
    std::vector<Track> tracks_;
    Packet held_{av_packet_alloc()};
    bool holding_ = false;
    bool ended_ = false;
};
