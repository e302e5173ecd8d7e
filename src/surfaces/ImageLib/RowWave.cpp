#include "surfaces/ImageLib/RowWave.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "surfaces/ImageLib/RowBands.h"

namespace ImageLib {

namespace {

// Rows narrower than this keep the threads waiting on each other more than
// working.
constexpr std::uint32_t kMinWidth = 256;

}  // namespace

std::uint32_t RowWave::threadsFor(std::uint32_t width, std::uint32_t height) {
    if (std::uint64_t{width} * height < kMinPixelsForBands || width < kMinWidth) {
        return 1;
    }
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    return std::min({processors, kMaxThreads, height});
}

RowWave::RowWave(std::uint32_t threads, std::int64_t width)
    : threads_(threads), width_(width), progress_(threads) {}

void RowWave::run(const std::function<void(std::uint32_t)>& rows) {
    std::vector<std::exception_ptr> failures(threads_);
    const auto runRows = [&](std::uint32_t k) {
        try {
            rows(k);
        } catch (...) {
            failures[k] = std::current_exception();
            abandon();
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(threads_ - 1);
    for (std::uint32_t k = 1; k < threads_; ++k) {
        try {
            workers.emplace_back(runRows, k);
        } catch (...) {
            // The rows of k would never be done: nobody may start.
            abandon();
            for (std::thread& worker : workers) {
                worker.join();
            }
            throw;
        }
    }
    runRows(0);
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

std::int64_t RowWave::awaitRowAbove(std::int64_t y, std::int64_t needed) {
    if (y == 0) {
        return width_;
    }
    const std::int64_t rowStart = (y - 1) * width_;
    const std::atomic<std::int64_t>& above = progress_[(y - 1) % threads_].pixels;
    for (;;) {
        const std::int64_t done = above.load(std::memory_order_acquire) - rowStart;
        if (done >= needed) {
            return std::min(done, width_);
        }
        if (abandoned_.load(std::memory_order_relaxed)) {
            return -1;
        }
        std::this_thread::yield();
    }
}

void RowWave::report(std::int64_t y, std::int64_t done) {
    progress_[y % threads_].pixels.store(y * width_ + done, std::memory_order_release);
}

void RowWave::abandon() {
    abandoned_.store(true, std::memory_order_relaxed);
}

}  // namespace ImageLib
