#pragma once
// Where the preview's input frames come from. A source answers the frame at
// a time; an image holds still, and a sequence or a video would answer the
// frame nearest the time. The preview's frame worker asks for one frame per
// render, so a source needs no state between frames.

#include <memory>
#include <string>

#include "HostWorld.h"

class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual HostWorld frameAt(double seconds) const = 0;
};

// An image file (PNG, JPEG, Radiance HDR, OpenEXR), or with an empty path a
// test pattern. Throws ImageFileError for an image that cannot be read.
std::unique_ptr<FrameSource> openFrameSource(const std::string& path);
