#pragma once
// Where the preview's input frames come from. A source answers the frame at
// a frame number: an image holds still, a video answers its own frames (its
// last frame past the end), and an image sequence its files in number order
// at 25 frames a second, as `render` reads them. The preview's frame worker
// asks for one frame per render, so a source needs no state between frames.

#include <memory>
#include <string>

#include "FrameInput.h"
#include "HostWorld.h"

// The frames the page's time control steps through.
struct FrameSpan {
    FrameRate rate;
    long frames = 1;
    // An image: its one picture holds for every frame of the span.
    bool still = true;
};

class FrameSource {
public:
    virtual ~FrameSource() = default;
    // Frame `index` of the span; past its end the last one.
    virtual HostWorld frame(long index) const = 0;
    virtual FrameSpan span() const = 0;
};

// An image file (PNG, JPEG, Radiance HDR, OpenEXR), an image sequence
// ("shot.####.png") or a video file, or with an empty path a test pattern.
// Throws std::runtime_error (ImageFileError for an image) for an input that
// cannot be read.
std::unique_ptr<FrameSource> openFrameSource(const std::string& path);
