#pragma once
// The frames of a video file's first video stream as host images, decoded in
// order at the stream's own rate and turned upright as its display matrix
// asks. Sources deeper than 8 bits give 16-bit images, others 8-bit ones;
// alpha is kept where the codec carries it, and opaque otherwise. Colour range
// and matrix are those the stream is tagged with.
//
// A variable frame rate source is read at its average rate, each frame
// showing the source frame of its time (repeated or dropped as they fall).
//
// Damage the decoder conceals is a warning; a frame missing from the stream
// (the decoder dropped it, or its timestamp skips it) is stood in for by the
// frame before it, so that the frames keep their times.

#include <memory>
#include <string>
#include <vector>

#include "HostWorld.h"
#include "VideoDescription.h"
#include "VideoTypes.h"

class VideoReader {
public:
    // Throws VideoError naming the file and the reason.
    explicit VideoReader(const std::string& path);
    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    VideoRate rate() const;
    // Takes frames at `rate` instead of the stream's own: frame N shows the
    // source frame of N / rate seconds, so source frames repeat or drop, and
    // the frame count is what the duration holds at that rate. Only before
    // the first frame is read; throws VideoError after.
    void retime(VideoRate rate);
    // The number of frames the container reports or its duration implies;
    // 0 when it tells neither.
    long frameCount() const;
    // 8 or 16.
    int depth() const;

    // Frame `index` (from 0). Indices must not decrease: the file is decoded
    // forward once. Throws VideoError for an index beyond the last frame and
    // where the file cannot be read further.
    HostWorld frame(long index);

    // What goes along into a video rendered from this one; complete once a
    // frame has been read.
    const VideoDescription& description() const;
    // The warnings since the last call, each a line naming the file.
    std::vector<std::string> takeWarnings();
    // Decoding errors the decoder concealed, and frames stood in for.
    long concealed() const;
    long stoodIn() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};
