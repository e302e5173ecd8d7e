#pragma once
// The tool's warnings about passes that kept the GPU busy longer than the
// engine's budget (GpuPassTimes.h, GpuPassBudget.h), from the records the
// tool's engine leaves after each frame: one warning a shader, the first time
// it goes over, and a count of all the passes that did.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "host/GpuPassTimes.h"

class SlowPasses {
public:
    // The warnings for shaders of `record` over the budget that were not
    // warned about before, each with its slowest pass; `frame` is the frame
    // the record is of.
    std::vector<std::string> add(const GpuPassTimes::Record& record, long frame);

    // "N passes in M frames ... the slowest ..." when more passes went over
    // the budget than add() warned about; empty otherwise.
    std::string summary() const;

    // The slowest pass of all, over the budget or not, and its frame.
    struct Slowest {
        PassTime pass;
        long frame = 0;
    };
    const std::optional<Slowest>& slowest() const { return slowest_; }

    // The GL renderer that drew the passes (a GPU, or Mesa's llvmpipe on
    // the processor); empty before a pass was timed.
    const std::string& renderer() const { return renderer_; }

private:
    std::vector<std::string> warned_;
    long passesOver_ = 0;
    long framesOver_ = 0;
    std::optional<Slowest> slowest_;
    std::optional<Slowest> slowestOver_;
    std::chrono::milliseconds budget_{0};
    std::string renderer_;
};

// "shader "blur" (blur.frag)", or "shader "blur" (in fx.js)".
std::string passShader(const PassTime& pass);
