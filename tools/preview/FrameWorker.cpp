#include "FrameWorker.h"

#include <csignal>

namespace {

// Long enough for a slow frame on a software rasteriser; a worker that
// takes longer is hung.
constexpr double kFrameTimeoutSeconds = 60;

}  // namespace

ChildResult FrameWorker::render(const std::vector<std::string>& arguments, bool* superseded) {
    std::uint64_t mine;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        mine = ++latest_;
        if (running_ != 0)
            ::kill(running_, SIGKILL);
        running_ = 0;
    }
    ChildResult result = runTool(
        {arguments}, kFrameTimeoutSeconds,
        [&](pid_t pid) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (mine == latest_)
                running_ = pid;
            else
                ::kill(pid, SIGKILL);
        },
        [&](pid_t pid) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (running_ == pid)
                running_ = 0;
        });
    std::lock_guard<std::mutex> lock(mutex_);
    *superseded = mine != latest_;
    return result;
}
