#pragma once
// The frames of a video file's first video stream as host images, decoded in
// order at the stream's own rate. Sources deeper than 8 bits give 16-bit
// images, others 8-bit ones; alpha is kept where the codec carries it, and
// opaque otherwise. Colour range and matrix are those the stream is tagged
// with.

#include <memory>
#include <string>

#include "HostWorld.h"
#include "VideoTypes.h"

class VideoReader {
public:
    // Throws VideoError naming the file and the reason.
    explicit VideoReader(const std::string& path);
    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    VideoRate rate() const;
    // The number of frames the container reports or its duration implies;
    // 0 when it tells neither.
    long frameCount() const;
    // 8 or 16.
    int depth() const;

    // Frame `index` (from 0). Indices must not decrease: the file is decoded
    // forward once. Throws VideoError for an index beyond the last frame.
    HostWorld frame(long index);

private:
    struct State;
    std::unique_ptr<State> state_;
};
