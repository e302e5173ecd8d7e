#pragma once
// Which frames render renders, and at which host times.

#include <string>

#include "FrameInput.h"
#include "SimulatedHost.h"

// What the command line says of the frames; empty texts were not given.
struct FrameOptions {
    std::string frames;  // --frames FIRST-LAST or N
    std::string fps;     // --fps N, N.M or N/D
    std::string time;    // --time SECONDS
};

// The frames to render: --frames, else the frame at --time of a video or a
// sequence, else every frame of a video or every number of a sequence that
// has a file, else one frame of a still image at --time.
struct FramePlan {
    long first = 0;
    long last = 0;
    // A still image's one frame at `seconds`, rather than numbered frames.
    bool single = false;
    double seconds = 0;
    // The rate the numbered frames' times follow: a video's own, else --fps.
    FrameRate rate;

    long count() const { return last - first + 1; }
    // The host's time of frame `index`: whole frames at the rate, or the
    // still frame's --time in milliseconds.
    FrameTime time(long index) const;
};

// Throws std::runtime_error for a range, rate or time that is malformed or
// that the input or the `output` name cannot take. `inputName` is the
// input's name as given, a sequence's pattern.
FramePlan planFrames(const FrameOptions& options, const std::string& inputName,
                     const std::string& output, FrameInput& input);
