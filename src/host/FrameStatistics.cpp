#include "host/FrameStatistics.h"

FrameStatistics::Timer::Timer(FramePhase phase)
    : phase_(phase), running_(FrameStatistics::instance().enabled) {
    if (running_)
        start_ = std::chrono::steady_clock::now();
}

FrameStatistics::Timer::~Timer() {
    if (!running_)
        return;
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start_;
    FrameStatistics::instance().seconds[static_cast<std::size_t>(phase_)] += spent.count();
}

void FrameStatistics::reset() {
    seconds.fill(0);
    frames = 0;
}
