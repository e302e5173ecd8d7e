#include "host/FrameStatistics.h"

#include <GL/glew.h>

FrameStatistics::Timer::Timer(FramePhase phase)
    : phase_(phase), running_(FrameStatistics::instance().enabled) {
    if (!running_)
        return;
    FrameStatistics& statistics = FrameStatistics::instance();
    start_ = std::chrono::steady_clock::now();
    outer_ = statistics.innermost_;
    if (outer_)
        outer_->book(start_);
    statistics.innermost_ = this;
}

FrameStatistics::Timer::~Timer() {
    if (!running_)
        return;
    const auto now = std::chrono::steady_clock::now();
    book(now);
    FrameStatistics::instance().innermost_ = outer_;
    if (outer_)
        outer_->start_ = now;
}

void FrameStatistics::Timer::book(std::chrono::steady_clock::time_point now) {
    const std::chrono::duration<double> spent = now - start_;
    FrameStatistics::instance().seconds[static_cast<std::size_t>(phase_)] += spent.count();
    start_ = now;
}

void FrameStatistics::finishGpuWork() {
    if (!instance().enabled)
        return;
    const Timer timer(FramePhase::Gpu);
    glFinish();
}

void FrameStatistics::reset() {
    seconds.fill(0);
    frames = 0;
}
