#pragma once
// How long the GPU spent on each pass the script asks for (one
// QS_renderShader draw), for a tool that links the engine and warns the
// effect's author about passes that risk the system's GPU watchdog (see
// GpuPassBudget.h). Off by default, since inside a host nobody reads it; when
// off, a pass costs one branch.
//
// On a GPU each pass is timed by a GL timer query, which the GPU answers once
// it has done the pass. The answers are read after the frame's read-back,
// which waits for the frame's work anyway, so timing adds no wait of its own;
// passes that no read-back followed (in setup(), preRender(), or a frame
// whose output was not read) are read before the next frame draws.
//
// Mesa's software rasterizers answer a timer query with the time of the last
// tiles each of their threads drew, not the pass's (on llvmpipe a pass over a
// 256 x 256 target of 16 tiles measured 98 ms of its 696). They render on
// the processor, so there the pass is timed by the clock from the end of the
// work before it to its own end, which costs only the overlap of rendering
// with the script's own work.
//
// The engine runs one command at a time behind the command lock, and the GL
// context is current wherever these are called.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gl/TimerQueries.h"
#include "host/FrameStatistics.h"
#include "platform/ustl/Singleton.h"

class RenderTarget;
class Shader;

struct PassTime {
    // The shader's name, and the file it was read from (empty for a shader
    // compiled from the script's text).
    std::string shader;
    std::string file;
    // The render target's size: the viewport may have covered less.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    double milliseconds = 0;
};

class GpuPassTimes : public ustl::static_singleton<GpuPassTimes> {
public:
    // Times the GL work issued during its life as one pass of `shader` into
    // `target`, when timing is on and the context can time.
    class Pass {
    public:
        Pass(const Shader& shader, const RenderTarget& target);
        ~Pass();
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

    private:
        bool queried_ = false;
        // The clock's pass, waited for as the GPU's work.
        std::optional<PassTime> clocked_;
        std::optional<FrameStatistics::Timer> gpuTimer_;
        std::chrono::steady_clock::time_point start_;
    };

    // What the passes read since the last take() came to.
    struct Record {
        std::uint64_t passes = 0;
        std::optional<PassTime> slowest;
        // In the order they ran.
        std::vector<PassTime> overBudget;
        // The budget they were held to, and the GL renderer that took the time.
        std::chrono::milliseconds budget = std::chrono::milliseconds(0);
        std::string renderer;
    };

    bool enabled = false;

    // Reads the times of the passes timed since the last call into the record.
    void collect();
    // The record, emptied.
    Record take();
    // Forgets the query names, the passes not yet read and how the context
    // times, for a context about to end or one just made.
    void forgetQueries();

private:
    friend class ustl::static_singleton<GpuPassTimes>;
    GpuPassTimes() = default;

    enum class Method { Unknown, Queries, Clock, None };
    // How the current context times a pass, found on first use.
    Method method();
    void book(const PassTime& pass);

    Method method_ = Method::Unknown;
    TimerQueries queries_;
    // The passes timed by queries and not yet read; the n-th is query n's.
    std::vector<PassTime> pending_;
    Record record_;
};
