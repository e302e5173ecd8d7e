#include "VideoReadAhead.h"

#include <chrono>

#include "VideoReader.h"
#include "VideoTypes.h"

VideoReadAhead::VideoReadAhead(VideoReader& reader, std::size_t ahead)
    : reader_(reader), ahead_(ahead > 0 ? ahead : 1) {}

VideoReadAhead::~VideoReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void VideoReadAhead::run(long first) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (long index = first;; ++index) {
        changed_.wait(lock, [this] { return queue_.size() < ahead_ || stopping_; });
        if (stopping_)
            return;
        lock.unlock();
        const auto start = std::chrono::steady_clock::now();
        Decoded decoded;
        decoded.index = index;
        try {
            decoded.frame = reader_.frame(index);
        } catch (...) {
            decoded.failure = std::current_exception();
        }
        try {
            decoded.warnings = reader_.takeWarnings();
        } catch (...) {
            // Only memory runs out here; the frame itself fails then.
            decoded.failure = std::current_exception();
        }
        decoded.concealed = reader_.concealed();
        decoded.stoodIn = reader_.stoodIn();
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        lock.lock();
        busySeconds_ += spent.count();
        const bool failed = decoded.failure != nullptr;
        queue_.push_back(std::move(decoded));
        changed_.notify_all();
        if (failed)
            return;
    }
}

void VideoReadAhead::take(Decoded& decoded) {
    for (std::string& warning : decoded.warnings) warnings_.push_back(std::move(warning));
    decoded.warnings.clear();
    concealed_ = decoded.concealed;
    stoodIn_ = decoded.stoodIn;
}

HostWorld VideoReadAhead::frame(long index) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (failure_)
        std::rethrow_exception(failure_);
    if (index < next_) {
        throw VideoError("video frames are read in order: frame " + std::to_string(index) +
                         " after frame " + std::to_string(next_ - 1));
    }
    if (!thread_.joinable())
        thread_ = std::thread([this, index] { run(index); });
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty(); });
        Decoded decoded = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all();
        take(decoded);
        next_ = decoded.index + 1;
        if (decoded.failure) {
            failure_ = decoded.failure;
            std::rethrow_exception(failure_);
        }
        if (decoded.index == index)
            return std::move(decoded.frame);
    }
}

std::vector<std::string> VideoReadAhead::takeWarnings() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> taken;
    taken.swap(warnings_);
    return taken;
}

long VideoReadAhead::concealed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return concealed_;
}

long VideoReadAhead::stoodIn() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stoodIn_;
}

double VideoReadAhead::busySeconds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return busySeconds_;
}
