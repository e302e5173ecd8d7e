#pragma once
// render's progress on standard error. On a terminal one line is rewritten
// before and after each frame: frame n of N, frames per second, time left.
// Elsewhere (a log, a render farm) a plain line "frame n of N done, 2.50 fps,
// 0:12 left" is printed after the first frame and then at most every few
// seconds. A summary line ends the render.

#include <chrono>
#include <string>
#include <vector>

class RenderProgress {
public:
    RenderProgress(long total, bool quiet);

    // Before frame `done` + 1 of the total.
    void starting();
    void finished();
    // The summary: frames rendered, the time and rate, what failed, and
    // `notes` such as counts of warnings.
    void summary(const std::string& output, long failed, bool interrupted,
                 const std::vector<std::string>& notes = {});

    // A warning or error line, which must not land inside the progress line.
    void message(const std::string& text);

private:
    using Clock = std::chrono::steady_clock;
    // "frame n of N`state`, 2.50 fps, 0:12 left".
    std::string status(long frame, const char* state) const;
    void clearLine();

    long total_;
    bool quiet_;
    bool terminal_;
    long done_ = 0;
    bool lineShown_ = false;
    bool started_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastPrinted_{};
};
