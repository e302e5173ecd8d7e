#pragma once
// Rendered frames into a video file (.mov, .mkv, .mp4), with the audio of a
// source file copied unchanged when the container takes its codec. The file
// appears whole at finish(), or not at all.
//
// Codecs: "prores4444" (10-bit 4:4:4 with alpha), "ffv1" (lossless; 8-bit
// frames as 8-bit RGBA, deeper ones as 16-bit) and "h264" (8-bit 4:2:0 for
// previews). By default .mov gets ProRes 4444, .mkv FFV1 and .mp4 H.264.

#include <memory>
#include <string>
#include <vector>

#include "HostWorld.h"
#include "VideoTypes.h"

struct VideoOutputOptions {
    // Empty: the container's default.
    std::string codec;
    VideoRate rate;
    // A video file whose audio goes along, cut to the rendered frames, which
    // are frames `firstFrame` onwards of that file; empty for none.
    std::string audioSource;
    long firstFrame = 0;
};

class VideoWriter {
public:
    // Checks the codec and the container; throws VideoError.
    VideoWriter(const std::string& path, const VideoOutputOptions& options);
    // Without finish() the partial file is removed.
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Every frame must have the first frame's size.
    void write(const HostWorld& frame);
    void finish();

    static const std::vector<std::string>& codecNames();

private:
    struct State;
    std::unique_ptr<State> state_;
};
