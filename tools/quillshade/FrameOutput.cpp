#include "FrameOutput.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

#include "FramePattern.h"
#include "ImageFiles.h"
#ifdef QS_HAVE_VIDEO
#include "VideoWriteBehind.h"
#include "VideoWriter.h"
#endif

namespace {

// In the order of ExrCompression.
const char* const kExrCompressions[] = {"none", "rle", "zips", "zip", "piz", nullptr};

// The command's settings as the image writers take them; what the command left
// unset keeps the writers' defaults.
ImageWriteSettings imageWriteSettings(const OutputSettings& settings) {
    ImageWriteSettings written;
    if (settings.pngCompression >= 0)
        written.pngCompression = settings.pngCompression;
    for (int i = 0; kExrCompressions[i]; ++i) {
        if (settings.exrCompression == kExrCompressions[i])
            written.exrCompression = static_cast<ExrCompression>(i);
    }
    return written;
}

// Image files written by one worker thread; at most two frames wait for it,
// so memory stays bounded when writing is slower than rendering.
class ImageOutput : public FrameOutput {
public:
    ImageOutput(std::string pattern, const OutputSettings& settings)
        : pattern_(std::move(pattern)),
          settings_(imageWriteSettings(settings)),
          worker_([this] { run(); }) {}

    ~ImageOutput() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }

    void write(long index, HostWorld frame) override {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return queue_.size() < 2 || failure_; });
        rethrow();
        queue_.push_back(Job{framePath(pattern_, index), std::move(frame)});
        changed_.notify_all();
    }

    void finish() override {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return (queue_.empty() && !busy_) || failure_; });
        rethrow();
    }

private:
    struct Job {
        std::string path;
        HostWorld frame;
    };

    void rethrow() {
        if (failure_)
            std::rethrow_exception(failure_);
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return !queue_.empty() || stopping_; });
            if (queue_.empty())
                return;
            Job job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
            lock.unlock();
            std::exception_ptr failed;
            try {
                writeImageFile(job.path, job.frame, settings_);
            } catch (...) {
                failed = std::current_exception();
            }
            lock.lock();
            busy_ = false;
            if (failed && !failure_)
                failure_ = failed;
            changed_.notify_all();
        }
    }

    std::string pattern_;
    ImageWriteSettings settings_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread worker_;
};

#ifdef QS_HAVE_VIDEO
// Frames are encoded and written on a thread of their own while the next
// ones render.
class VideoOutput : public FrameOutput {
public:
    VideoOutput(const std::string& path, const OutputSettings& settings)
        : writer_(path, VideoOutputOptions{settings.codec,
                                           VideoRate{settings.rate.num, settings.rate.den},
                                           settings.source ? *settings.source : VideoDescription(),
                                           settings.firstFrame}),
          behind_(writer_) {}
    void write(long, HostWorld frame) override { behind_.write(std::move(frame)); }
    void finish() override { behind_.finish(); }
    std::string finishPartial() override { return behind_.finishPartial(); }
    std::vector<std::string> takeWarnings() override { return behind_.takeWarnings(); }
    double backgroundSeconds() const override { return behind_.busySeconds(); }

private:
    VideoWriter writer_;
    VideoWriteBehind behind_;
};
#endif

}  // namespace

const char* const* exrCompressionNames() {
    return kExrCompressions;
}

std::unique_ptr<FrameOutput> FrameOutput::open(const std::string& path,
                                               const OutputSettings& settings) {
    if (isVideoFileName(path)) {
#ifdef QS_HAVE_VIDEO
        return std::make_unique<VideoOutput>(path, settings);
#else
        throw std::runtime_error(noVideoMessage(path));
#endif
    }
    if (!settings.codec.empty())
        throw std::runtime_error("--codec is for video files (.mov, .mkv, .mp4)");
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension != ".png" && extension != ".exr") {
        throw std::runtime_error(
            "the output must be a .png or .exr file, or a .mov, .mkv or .mp4 "
            "video: " +
            path);
    }
    return std::make_unique<ImageOutput>(path, settings);
}
