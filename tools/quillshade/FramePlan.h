#pragma once
// Which frames render renders, and at which host times.

#include <optional>
#include <string>

#include "FrameInput.h"
#include "SimulatedHost.h"

// The frames to render: --frames, else every frame of a video input, else one
// frame at --time.
struct FramePlan {
    long first = 0;
    long last = 0;
    bool single = false;
    // The rate the frames' times follow: a video's own, else --fps.
    std::optional<FrameRate> rate;
    double fps = 25;
    double seconds = 0;

    long count() const { return last - first + 1; }
    // The host's time of frame `index`: whole frames at the rate, or the
    // one frame's --time in milliseconds.
    FrameTime time(long index) const;
};

// --frames FIRST-LAST, else every frame of a video input, else the one frame
// of a still image at `seconds`. Throws std::runtime_error for a range that
// is malformed or that the input or `output` name cannot take.
FramePlan planFrames(const std::string& frames, double fps, double seconds,
                     const std::string& output, const FrameInput& input);
