#include "SlowPasses.h"

#include <algorithm>
#include <cstdio>

#include "host/GpuPassBudget.h"

namespace {

std::string milliseconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", value);
    return text;
}

std::string warning(const PassTime& pass, const GpuPassTimes::Record& record) {
    return "warning: " + (pass.file.empty() ? std::string("fx.js") : pass.file) + ": shader \"" +
           pass.shader + "\" kept the GPU busy for " + milliseconds(pass.milliseconds) +
           " in one pass over a " + std::to_string(pass.width) + " x " +
           std::to_string(pass.height) + " target, past the budget of " +
           std::to_string(record.budget.count()) + " ms a pass (measured on " +
           (record.renderer.empty() ? std::string("this GL renderer") : record.renderer) +
           "): a system resets a GPU that one pass keeps busy for about 2 s, and the host with "
           "it; split the work into passes over parts of the target (QS_renderShader's "
           "viewport) or do less per pixel (" +
           GpuPassBudget::kVariable + " sets the budget)";
}

}  // namespace

std::string passShader(const PassTime& pass) {
    return "shader \"" + pass.shader + "\" (" + (pass.file.empty() ? "in fx.js" : pass.file) + ")";
}

std::vector<std::string> SlowPasses::add(const GpuPassTimes::Record& record, long frame) {
    if (!record.renderer.empty())
        renderer_ = record.renderer;
    if (record.slowest && (!slowest_ || record.slowest->milliseconds > slowest_->pass.milliseconds))
        slowest_ = Slowest{*record.slowest, frame};
    if (record.overBudget.empty())
        return {};
    budget_ = record.budget;
    ++framesOver_;
    passesOver_ += static_cast<long>(record.overBudget.size());
    // Each shader's slowest pass over the budget, in the order they first ran.
    std::vector<PassTime> worst;
    for (const PassTime& pass : record.overBudget) {
        if (!slowestOver_ || pass.milliseconds > slowestOver_->pass.milliseconds)
            slowestOver_ = Slowest{pass, frame};
        const auto same = std::find_if(worst.begin(), worst.end(), [&pass](const PassTime& p) {
            return p.shader == pass.shader && p.file == pass.file;
        });
        if (same == worst.end())
            worst.push_back(pass);
        else if (pass.milliseconds > same->milliseconds)
            *same = pass;
    }
    std::vector<std::string> warnings;
    for (const PassTime& pass : worst) {
        const std::string shader = passShader(pass);
        if (std::find(warned_.begin(), warned_.end(), shader) != warned_.end())
            continue;
        warned_.push_back(shader);
        warnings.push_back(warning(pass, record));
    }
    return warnings;
}

std::string SlowPasses::summary() const {
    if (passesOver_ <= static_cast<long>(warned_.size()) || !slowestOver_)
        return {};
    return "warning: " + std::to_string(passesOver_) + " passes in " + std::to_string(framesOver_) +
           (framesOver_ == 1 ? " frame" : " frames") + " kept the GPU busy past the budget of " +
           std::to_string(budget_.count()) + " ms a pass; the slowest, " +
           passShader(slowestOver_->pass) + ", " + milliseconds(slowestOver_->pass.milliseconds) +
           " (frame " + std::to_string(slowestOver_->frame) + ")";
}
