#pragma once
// Renders the page's frames in worker processes, the newest request first:
// a new request ends the worker of an older one at once, so that dragging a
// slider never queues stale frames.

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ChildProcess.h"

class FrameWorker {
public:
    // Runs `quillshade preview-frame` with `arguments`; `superseded` tells
    // that a newer request ended or outdated this one.
    ChildResult render(const std::vector<std::string>& arguments, bool* superseded);

private:
    std::mutex mutex_;
    std::uint64_t latest_ = 0;
    pid_t running_ = 0;
};
