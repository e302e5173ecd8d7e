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
    // Evaluating the script's preRender and draw: the script engine and the
    // natives, without the rendering they ask for.
    Script,
    // Rendering: each draw and blit the script asks for is finished where it
    // is issued, and the frame's queued GL work at the end of draw.
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
    // statistics were being collected at its construction. A timer started
    // while another runs takes its time from the other: the phases nest
    // without counting anything twice.
    class Timer {
    public:
        explicit Timer(FramePhase phase);
        ~Timer();
        Timer(const Timer&) = delete;
        Timer& operator=(const Timer&) = delete;

    private:
        void book(std::chrono::steady_clock::time_point now);

        FramePhase phase_;
        bool running_;
        Timer* outer_ = nullptr;
        std::chrono::steady_clock::time_point start_;
    };

    // With statistics on, waits for the GL work queued so far and books the
    // wait as the GPU's, so that the phase around it counts its own work only.
    // Without, returns at once: rendering stays asynchronous.
    static void finishGpuWork();

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

    Timer* innermost_ = nullptr;
};
