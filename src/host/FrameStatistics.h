#pragma once
// Where the engine's time goes while it renders frames, phase by phase, for a
// tool that links the engine and wants to tell its user. Off by default; when
// off, each phase costs one branch and nothing is recorded. The engine runs
// one command at a time behind the command lock, so the record needs no lock
// of its own; it is read between commands.

#include <array>
#include <chrono>
#include <cstdint>

#include "platform/ustl/Singleton.h"

enum class FramePhase {
    // Reading the host's parameter values (layer parameters upload their pixels).
    Parameters,
    // Uploading the input layer into the instance's input texture.
    Upload,
    // Evaluating the script's preRender and draw.
    Script,
    // Waiting for the GL work the script queued.
    Gpu,
    // Reading the output render target back.
    ReadBack,
    // Writing the read-back rows into the host's output buffer.
    WriteBack,
};

constexpr std::size_t kFramePhaseCount = static_cast<std::size_t>(FramePhase::WriteBack) + 1;

class FrameStatistics : public ustl::static_singleton<FrameStatistics> {
public:
    // Adds the time from its construction to its destruction to a phase, when
    // statistics were being collected at its construction.
    class Timer {
    public:
        explicit Timer(FramePhase phase);
        ~Timer();
        Timer(const Timer&) = delete;
        Timer& operator=(const Timer&) = delete;

    private:
        FramePhase phase_;
        bool running_;
        std::chrono::steady_clock::time_point start_;
    };

    bool enabled = false;
    // Seconds spent in each phase, by FramePhase, over the frames counted.
    std::array<double, kFramePhaseCount> seconds{};
    std::uint64_t frames = 0;

    double secondsIn(FramePhase phase) const { return seconds[static_cast<std::size_t>(phase)]; }
    void countFrame() {
        if (enabled)
            ++frames;
    }
    // Forgets what was recorded; the enabled flag stays.
    void reset();

private:
    friend class ustl::static_singleton<FrameStatistics>;
    FrameStatistics() = default;
};
