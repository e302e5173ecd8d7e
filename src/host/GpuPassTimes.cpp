#include "host/GpuPassTimes.h"

#include <GL/glew.h>

#include "gl/RenderTarget.h"
#include "gl/Shader.h"
#include "host/GpuPassBudget.h"

namespace {

// Passes a frame may time by queries before the earlier ones are read: a
// script that draws in a long loop holds this many query names, not one per
// draw. Reading early waits for those passes, which only such a script pays
// for.
constexpr std::size_t kPendingLimit = 256;

std::string ascii(const std::wstring& text) {
    std::string result;
    for (const wchar_t c : text) result += c > 0 && c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

std::string fileName(const std::wstring& path) {
    const std::string text = ascii(path);
    const std::size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string rendererName() {
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name != nullptr ? name : "";
}

// Mesa's rasterizers that run on the processor.
bool softwareRenderer() {
    const std::string name = rendererName();
    for (const char* software : {"llvmpipe", "softpipe", "swrast"}) {
        if (name.find(software) != std::string::npos)
            return true;
    }
    return false;
}

}  // namespace

GpuPassTimes::Pass::Pass(const Shader& shader, const RenderTarget& target) {
    GpuPassTimes& times = GpuPassTimes::instance();
    if (!times.enabled)
        return;
    PassTime pass{ascii(shader.name), fileName(shader.path), target.width, target.height, 0};
    switch (times.method()) {
        case Method::Queries:
            if (times.pending_.size() >= kPendingLimit)
                times.collect();
            queried_ = times.queries_.begin(times.pending_.size());
            if (queried_)
                times.pending_.push_back(std::move(pass));
            break;
        case Method::Clock:
            gpuTimer_.emplace(FramePhase::Gpu);
            glFinish();
            clocked_ = std::move(pass);
            start_ = std::chrono::steady_clock::now();
            break;
        default:
            break;
    }
}

GpuPassTimes::Pass::~Pass() {
    if (queried_)
        TimerQueries::end();
    if (!clocked_)
        return;
    glFinish();
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start_;
    clocked_->milliseconds = spent.count();
    GpuPassTimes::instance().book(*clocked_);
}

GpuPassTimes::Method GpuPassTimes::method() {
    if (method_ == Method::Unknown) {
        method_ = softwareRenderer()          ? Method::Clock
                  : TimerQueries::supported() ? Method::Queries
                                              : Method::None;
    }
    return method_;
}

void GpuPassTimes::book(const PassTime& pass) {
    record_.budget = GpuPassBudget::current();
    if (record_.renderer.empty())
        record_.renderer = rendererName();
    ++record_.passes;
    if (!record_.slowest || pass.milliseconds > record_.slowest->milliseconds)
        record_.slowest = pass;
    if (pass.milliseconds > static_cast<double>(record_.budget.count()))
        record_.overBudget.push_back(pass);
}

void GpuPassTimes::collect() {
    for (std::size_t index = 0; index < pending_.size(); ++index) {
        pending_[index].milliseconds = static_cast<double>(queries_.nanoseconds(index)) / 1e6;
        book(pending_[index]);
    }
    pending_.clear();
}

GpuPassTimes::Record GpuPassTimes::take() {
    Record taken = std::move(record_);
    record_ = Record{};
    return taken;
}

void GpuPassTimes::forgetQueries() {
    queries_.clear();
    pending_.clear();
    method_ = Method::Unknown;
}
