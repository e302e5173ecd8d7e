#pragma once
// Where the preview's input frames come from. A source answers the frame at
// a time: an image holds still, a video answers the frame shown at that time
// at its own rate (its last frame past the end), and an image sequence the
// frame numbered as `render` numbers it at 25 frames a second. The preview's
// frame worker asks for one frame per render, so a source needs no state
// between frames.

#include <memory>
#include <string>

#include "HostWorld.h"

class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual HostWorld frameAt(double seconds) const = 0;
};

// An image file (PNG, JPEG, Radiance HDR, OpenEXR), an image sequence
// ("shot.####.png") or a video file, or with an empty path a test pattern.
// Throws std::runtime_error (ImageFileError for an image) for an input that
// cannot be read.
std::unique_ptr<FrameSource> openFrameSource(const std::string& path);
