#include "FrameInput.h"

#include <filesystem>

#include "FramePattern.h"
#include "ImageFiles.h"
#ifdef QS_HAVE_VIDEO
#include "VideoReadAhead.h"
#include "VideoReader.h"
#endif

namespace {

class StillInput : public FrameInput {
public:
    explicit StillInput(const std::string& path) : path_(path), image_(readImageFile(path)) {}
    void require(long, long) const override {}
    HostWorld frame(long) override { return image_; }
    std::string fileName(long) const override { return path_; }
    bool moving() const override { return false; }

private:
    std::string path_;
    HostWorld image_;
};

class SequenceInput : public FrameInput {
public:
    explicit SequenceInput(std::string pattern) : pattern_(std::move(pattern)) {}

    // Stops at the sixth missing frame: a range far past the files there
    // (--frames 1-999999999) costs a look at each file that exists, not
    // one at every number.
    void require(long first, long last) const override {
        constexpr long kShown = 5;
        std::string missing;
        long count = 0;
        for (long i = first; i <= last && count <= kShown; ++i) {
            if (std::filesystem::is_regular_file(framePath(pattern_, i)))
                continue;
            if (++count <= kShown)
                missing += "\n  " + framePath(pattern_, i);
        }
        if (count > kShown) {
            throw std::runtime_error("more than " + std::to_string(kShown) +
                                     " input frames are missing:" + missing + "\n  and more");
        }
        if (count > 0) {
            throw std::runtime_error(std::to_string(count) + " input frame" +
                                     (count > 1 ? "s are" : " is") + " missing:" + missing);
        }
    }
    HostWorld frame(long index) override { return readImageFile(fileName(index)); }
    std::string fileName(long index) const override { return framePath(pattern_, index); }

private:
    std::string pattern_;
};

#ifdef QS_HAVE_VIDEO
// Frames are decoded on a thread of their own, ahead of the one rendered;
// the reader's rate and frame count are asked for before the first frame.
class VideoInput : public FrameInput {
public:
    explicit VideoInput(const std::string& path) : path_(path), reader_(path), ahead_(reader_) {}

    void require(long first, long last) const override {
        const long count = reader_.frameCount();
        if (count > 0 && (first >= count || last >= count)) {
            throw std::runtime_error(path_ + " has " + std::to_string(count) + " frames, 0 to " +
                                     std::to_string(count - 1));
        }
    }
    HostWorld frame(long index) override { return ahead_.frame(index); }
    void retime(FrameRate rate) override { reader_.retime(VideoRate{rate.num, rate.den}); }
    std::string fileName(long) const override { return path_; }
    std::optional<FrameRate> rate() const override {
        return FrameRate{reader_.rate().num, reader_.rate().den};
    }
    long frameCount() const override { return reader_.frameCount(); }
    std::string videoPath() const override { return path_; }
    const VideoDescription* videoDescription() const override { return &reader_.description(); }
    std::vector<std::string> takeWarnings() override { return ahead_.takeWarnings(); }
    std::string warningCount() const override {
        std::string text;
        if (const long n = ahead_.concealed())
            text = std::to_string(n) + " decoding error" + (n > 1 ? "s" : "") + " concealed";
        if (const long n = ahead_.stoodIn()) {
            text += std::string(text.empty() ? "" : ", ") + std::to_string(n) + " missing frame" +
                    (n > 1 ? "s" : "") + " stood in for";
        }
        return text;
    }
    double backgroundSeconds() const override { return ahead_.busySeconds(); }

private:
    std::string path_;
    VideoReader reader_;
    VideoReadAhead ahead_;
};
#endif

}  // namespace

bool isVideoFileName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".mov" || extension == ".mp4" || extension == ".mkv";
}

bool isMediaFileName(const std::string& path) {
    // Containers a camera, an editor or a phone writes, and audio files.
    static const char* const kExtensions[] = {
        ".mov", ".mp4",  ".mkv", ".m4v", ".webm", ".avi", ".mxf", ".mts",  ".m2ts", ".ts",
        ".mpg", ".mpeg", ".3gp", ".m4a", ".wav",  ".mp3", ".aac", ".flac", ".ogg",  ".opus"};
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* known : kExtensions) {
        if (extension == known)
            return true;
    }
    return false;
}

std::string noVideoMessage(const std::string& path) {
    return path +
           ": this quillshade was built without video files (QS_VIDEO off); "
           "use an image sequence such as shot.####.png";
}

std::unique_ptr<FrameInput> FrameInput::open(const std::string& path) {
    if (isMediaFileName(path)) {
#ifdef QS_HAVE_VIDEO
        return std::make_unique<VideoInput>(path);
#else
        throw std::runtime_error(noVideoMessage(path));
#endif
    }
    if (hasFramePattern(path)) {
        requireFrameWidth(path);
        return std::make_unique<SequenceInput>(path);
    }
    return std::make_unique<StillInput>(path);
}
