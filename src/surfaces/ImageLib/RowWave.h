#pragma once
// Rows processed in order by several threads at once, each row trailing the
// one above by a few pixels: thread k does rows k, k + n, k + 2n, ... and
// waits, before each pixel, until the row above is far enough ahead. Error
// diffusion runs this way with the very same additions in the very same
// order as one thread would make them.

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace ImageLib {

class RowWave {
public:
    // How many threads a picture this size gets: one (no wave) for small
    // pictures and narrow rows, else one a processor, at most kMaxThreads.
    static std::uint32_t threadsFor(std::uint32_t width, std::uint32_t height);

    RowWave(std::uint32_t threads, std::int64_t width);

    // Calls rows(k) for every thread k, k = 0 on the calling thread, and
    // returns when all have returned. A thread that throws, or cannot be
    // started, abandons the wave; the first exception is rethrown here.
    void run(const std::function<void(std::uint32_t)>& rows);

    // Waits until row y - 1 has at least `needed` pixels done (at most the
    // width); returns how many it has, or -1 once the wave is abandoned.
    std::int64_t awaitRowAbove(std::int64_t y, std::int64_t needed);
    // The thread of row y has done `done` of its pixels.
    void report(std::int64_t y, std::int64_t done);

private:
    void abandon();

    static constexpr std::uint32_t kMaxThreads = 4;

    // Rows before the thread's current one times the width, plus the pixels
    // done of it: never decreasing. A cache line each, so that reporting does
    // not slow the other threads' reports.
    struct alignas(64) Progress {
        std::atomic<std::int64_t> pixels{0};
    };

    std::uint32_t threads_;
    std::int64_t width_;
    std::vector<Progress> progress_;
    std::atomic<bool> abandoned_{false};
};

}  // namespace ImageLib
