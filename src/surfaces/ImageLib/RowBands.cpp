#include "surfaces/ImageLib/RowBands.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace ImageLib {

namespace {

// More bands than this gain little on a frame's worth of rows.
constexpr unsigned kMaxBands = 8;

}  // namespace

void forEachRowBand(std::uint32_t width, std::uint32_t height,
                    const std::function<void(std::uint32_t, std::uint32_t)>& band) {
    const std::uint64_t pixels = std::uint64_t{width} * height;
    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    const std::uint32_t bands =
        pixels < kMinPixelsForBands ? 1 : std::min({processors, kMaxBands, height});
    if (bands <= 1) {
        band(0, height);
        return;
    }
    const auto edge = [&](std::uint32_t i) {
        return static_cast<std::uint32_t>(std::uint64_t{height} * i / bands);
    };
    std::vector<std::exception_ptr> failures(bands);
    const auto run = [&](std::uint32_t i) {
        try {
            band(edge(i), edge(i + 1));
        } catch (...) {
            failures[i] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(bands - 1);
    std::uint32_t started = 1;
    for (; started < bands; ++started) {
        try {
            threads.emplace_back(run, started);
        } catch (const std::system_error&) {
            break;
        }
    }
    // Band 0, and those no thread could be started for, run here.
    run(0);
    for (std::uint32_t i = started; i < bands; ++i) {
        run(i);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

}  // namespace ImageLib
