#pragma once
// The source's audio tracks, copied unchanged into a rendered video and cut to
// its frames. PCM is cut at the sample of the first frame's time and of the
// end of the last one's, so that renders of consecutive frame ranges join into
// what one render of them all gives. Other codecs keep whole packets: a
// packet goes with the frames its start falls in. A track the output's container cannot hold, and
// every track that is not audio (subtitles, data), is left out with a line saying which and why; a
// timecode track is not one of them, the writer makes its own.

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

    // Writes the sound of the first `frames` frames of the output.
    void copyUntil(long frames);

private:
    struct Track {
        int from;
        AVStream* to;
        // Positions are in the source's time base, or in samples for PCM,
        // which has `frameBytes` bytes a sample (all channels), else 0.
        AVRational unit;
        int frameBytes;
        // The source's position of its frame 0.
        std::int64_t origin;
        // Where the packet before ended; -1 before the first.
        std::int64_t next;
    };
    Track* trackOf(int sourceStream);
    // The source's position of the start of the source's frame `frame`.
    std::int64_t positionOf(const Track& track, long frame) const;
    // Writes the held packet, or its first `length` samples of PCM.
    void write(const Track& track, std::int64_t length);

    std::string outputPath_;
    InputFile input_;
    AVFormatContext* output_;
    std::vector<Track> tracks_;
    AVRational frame_;
    long firstFrame_;
    Packet held_{av_packet_alloc()};
    // The held packet's position; PCM's moves on as its front is written.
    std::int64_t heldPosition_ = 0;
    bool holding_ = false;
    bool ended_ = false;
};
