#include "RenderProgress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

constexpr double kPlainInterval = 5.0;

std::string duration(double seconds) {
    const long whole = std::lround(seconds);
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

}  // namespace

RenderProgress::RenderProgress(long total, bool quiet)
    : total_(total), quiet_(quiet), terminal_(::isatty(STDERR_FILENO) != 0) {}

std::string RenderProgress::status(long frame, const char* state) const {
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    std::string text = "frame " + std::to_string(frame) + " of " + std::to_string(total_) + state;
    if (done_ > 0 && elapsed > 0) {
        const double rate = done_ / elapsed;
        char numbers[96];
        std::snprintf(numbers, sizeof numbers, ", %.2f fps, %s left", rate,
                      duration((total_ - done_) / rate).c_str());
        text += numbers;
    }
    return text;
}

void RenderProgress::clearLine() {
    if (lineShown_)
        std::cerr << "\r\033[K";
    lineShown_ = false;
}

void RenderProgress::starting() {
    // The rate counts from the first frame, after the effect's set-up.
    if (!started_)
        start_ = Clock::now();
    started_ = true;
    if (quiet_ || !terminal_)
        return;
    clearLine();
    std::cerr << status(done_ + 1, "") << std::flush;
    lineShown_ = true;
}

void RenderProgress::finished() {
    ++done_;
    if (quiet_ || done_ >= total_)
        return;
    if (terminal_) {
        starting();
        return;
    }
    const Clock::time_point now = Clock::now();
    if (done_ == 1 || std::chrono::duration<double>(now - lastPrinted_).count() >= kPlainInterval) {
        std::cerr << status(done_, " done") << "\n";
        lastPrinted_ = now;
    }
}

void RenderProgress::message(const std::string& text) {
    clearLine();
    std::cerr << text << "\n";
}

void RenderProgress::summary(const std::string& output, long failed, bool interrupted,
                             const std::vector<std::string>& notes) {
    clearLine();
    if (quiet_)
        return;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    char rate[64];
    std::snprintf(rate, sizeof rate, " in %.2f s (%.2f fps)", elapsed,
                  elapsed > 0 ? done_ / elapsed : 0.0);
    std::cerr << "quillshade render: " << done_ << " of " << total_ << " frame"
              << (total_ == 1 ? "" : "s") << rate << " to " << output;
    if (failed > 0)
        std::cerr << "; " << failed << " with problems";
    if (interrupted)
        std::cerr << "; interrupted";
    for (const std::string& note : notes) std::cerr << "; " << note;
    std::cerr << "\n";
}
