#include "VideoWriteBehind.h"

#include <chrono>

#include "VideoWriter.h"

VideoWriteBehind::VideoWriteBehind(VideoWriter& writer, std::size_t waiting)
    : writer_(writer), waiting_(waiting > 0 ? waiting : 1), thread_([this] { run(); }) {}

VideoWriteBehind::~VideoWriteBehind() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void VideoWriteBehind::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || stopping_; });
        if (stopping_)
            return;
        HostWorld frame = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        const auto start = std::chrono::steady_clock::now();
        std::exception_ptr failed;
        std::vector<std::string> warnings;
        try {
            writer_.write(frame);
            warnings = writer_.takeWarnings();
        } catch (...) {
            failed = std::current_exception();
        }
        // The frame's memory goes back before the next one is taken.
        frame = HostWorld();
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        lock.lock();
        busy_ = false;
        busySeconds_ += spent.count();
        for (std::string& warning : warnings) warnings_.push_back(std::move(warning));
        changed_.notify_all();
        if (failed) {
            failure_ = failed;
            queue_.clear();
            return;
        }
    }
}

void VideoWriteBehind::write(HostWorld frame) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.size() < waiting_ || failure_; });
    if (failure_)
        std::rethrow_exception(failure_);
    queue_.push_back(std::move(frame));
    changed_.notify_all();
}

void VideoWriteBehind::drain(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return (queue_.empty() && !busy_) || failure_; });
    if (failure_)
        std::rethrow_exception(failure_);
}

void VideoWriteBehind::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    drain(lock);
    writer_.finish();
    for (std::string& warning : writer_.takeWarnings()) warnings_.push_back(std::move(warning));
}

std::string VideoWriteBehind::finishPartial() {
    std::unique_lock<std::mutex> lock(mutex_);
    drain(lock);
    const std::string written = writer_.finishPartial();
    for (std::string& warning : writer_.takeWarnings()) warnings_.push_back(std::move(warning));
    return written;
}

std::vector<std::string> VideoWriteBehind::takeWarnings() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> taken;
    taken.swap(warnings_);
    return taken;
}

double VideoWriteBehind::busySeconds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return busySeconds_;
}
