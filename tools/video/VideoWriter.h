#pragma once
// Rendered frames into a video file (.mov, .mkv, .mp4), carrying what the
// source video says of them: its colour tags and HDR metadata, field order and
// timecode (offset to the first rendered frame), and its audio tracks copied
// unchanged where the container takes their codec. What cannot go along is
// named in a warning.
//
// The frames go to a hidden temporary file beside the output. finish() gives
// it the output's name; finishPartial() completes what was written under a
// name that says it is partial, so that an interrupted or failed render never
// leaves a file under the final name.
//
// Codecs: "prores4444" (10-bit 4:4:4 with alpha), "ffv1" (lossless; 8-bit
// frames as 8-bit RGBA, deeper ones as 16-bit) and "h264" (8-bit 4:2:0 for
// previews). By default .mov gets ProRes 4444, .mkv FFV1 and .mp4 H.264.

#include <memory>
#include <string>
#include <vector>

#include "HostWorld.h"
#include "VideoDescription.h"
#include "VideoTypes.h"

struct VideoOutputOptions {
    // Empty: the container's default.
    std::string codec;
    VideoRate rate;
    // The video the frames come from (no path: none), whose frames
    // `firstFrame` onwards were rendered.
    VideoDescription source;
    long firstFrame = 0;
};

class VideoWriter {
public:
    // Checks the codec and the container; throws VideoError.
    VideoWriter(const std::string& path, const VideoOutputOptions& options);
    // Without a finish the temporary file is removed.
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Every frame must have the first frame's size.
    void write(const HostWorld& frame);
    // The file under its name.
    void finish();
    // The frames written so far, as a whole file named "NAME.partial.EXT"
    // (or "NAME.partial-2.EXT", ..., never over an existing file); returns
    // its path, empty when no frame was written.
    std::string finishPartial();

    // The warnings since the last call: what of the source cannot go along.
    std::vector<std::string> takeWarnings();

    static const std::vector<std::string>& codecNames();

private:
    struct State;
    std::unique_ptr<State> state_;
};
