#pragma once
// Where render's frames go: image files (one, or a sequence named by a frame
// pattern), written on a worker thread while the next frame renders, or a
// video file, encoded on a thread of its own likewise.

#include <memory>
#include <string>
#include <vector>

#include "FrameInput.h"
#include "HostWorld.h"

struct OutputSettings {
    // Video files: the codec (empty: the container's default), the rate, and
    // the video the frames come from (null: none), whose audio, colour tags
    // and timecode go along from frame `firstFrame` on.
    std::string codec;
    FrameRate rate;
    const VideoDescription* source = nullptr;
    long firstFrame = 0;
    // Image files: zlib's level 0 to 9 for PNG (-1: the codec's default) and
    // the OpenEXR compression by name (empty: the codec's default).
    int pngCompression = -1;
    std::string exrCompression;
};

class FrameOutput {
public:
    // Throws std::runtime_error for a name or setting it cannot write.
    static std::unique_ptr<FrameOutput> open(const std::string& path,
                                             const OutputSettings& settings);
    virtual ~FrameOutput() = default;

    // Frames come in increasing order. A failure of an earlier frame's write
    // may be thrown by a later call.
    virtual void write(long index, HostWorld frame) = 0;
    // Completes every write; a video file appears only now.
    virtual void finish() = 0;
    // Completes the writes of a render that stopped early. A video keeps its
    // frames under a name that says it is partial, which is returned; image
    // files are whole already (empty).
    virtual std::string finishPartial() {
        finish();
        return {};
    }
    // Warning lines since the last call: what of the source cannot go along.
    virtual std::vector<std::string> takeWarnings() { return {}; }
    // Seconds spent writing on a thread of its own (a video's encoding).
    virtual double backgroundSeconds() const { return 0; }
};

// The OpenEXR compressions --exr-compression takes.
const char* const* exrCompressionNames();
