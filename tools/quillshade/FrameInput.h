#pragma once
// Where render's input frames come from: one image for every frame, an image
// sequence whose frame number is the output frame's, or the frames of a video
// file at the file's own rate.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HostWorld.h"

struct VideoDescription;

// Frames per second as a ratio, e.g. 30000/1001.
struct FrameRate {
    int num = 25;
    int den = 1;
};

class FrameInput {
public:
    // Throws std::runtime_error for a file that cannot be opened.
    static std::unique_ptr<FrameInput> open(const std::string& path);
    virtual ~FrameInput() = default;

    // Throws std::runtime_error naming every frame from `first` to `last`
    // that is missing, so a render stops before its first frame.
    virtual void require(long first, long last) const = 0;
    virtual HostWorld frame(long index) = 0;
    // The file frame `index` is read from.
    virtual std::string fileName(long index) const = 0;

    // A video file's rate, frame count (0 when unknown) and path; a sequence
    // or an image has none of them.
    virtual std::optional<FrameRate> rate() const { return std::nullopt; }
    // A video file read at another rate (see VideoReader::retime); nothing
    // for other inputs, whose rate the plan sets.
    virtual void retime(FrameRate) {}
    virtual long frameCount() const { return 1; }
    virtual std::string videoPath() const { return {}; }
    // What of a video file goes along into a video rendered from it, once a
    // frame has been read; null for a sequence or an image.
    virtual const VideoDescription* videoDescription() const { return nullptr; }
    // Warning lines since the last call: damage the decoder concealed, frames
    // missing from a video.
    virtual std::vector<std::string> takeWarnings() { return {}; }
    // The summary's count of them, e.g. "2 decoding errors concealed"; empty
    // when there were none.
    virtual std::string warningCount() const { return {}; }
    // Seconds spent reading on a thread of its own (a video's decoding).
    virtual double backgroundSeconds() const { return 0; }
    // Whether the frames differ by number: a sequence or a video.
    virtual bool moving() const { return true; }
};

// True for the names of the video files render writes: .mov, .mp4, .mkv.
bool isVideoFileName(const std::string& path);
// True for the names of video and audio files render reads through FFmpeg's
// libraries, which say when such a file has no video.
bool isMediaFileName(const std::string& path);
// The message of a build without video files.
std::string noVideoMessage(const std::string& path);
