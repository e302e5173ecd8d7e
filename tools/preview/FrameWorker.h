#pragma once
// Renders the page's frames in one resident worker process (`quillshade
// preview-frame`), the newest request first: requests that arrive while a
// frame renders wait, and each newer one supersedes the older waiting ones,
// so that dragging a slider never queues stale frames. A frame once rendered
// is answered: the page shows it if nothing newer came first. The worker is started
// again when the effect's module or host changes, when it crashes, and when
// it runs past its time limit; a render that a newer request has waited on
// for longer than a grace is taken as hung and its worker ended, so that a
// hung effect costs one frame.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "WorkerProcess.h"
#include "WorkerRequest.h"

class FrameWorker {
public:
    struct Answer {
        // A newer request came while this one waited; it was not rendered.
        bool superseded = false;
        // The worker's JSON, or empty when it gave no answer.
        std::string json;
        // An 8-bit PNG, or empty.
        std::string png;
    };

    ~FrameWorker();

    // Sends `request` to a worker started with `arguments`.
    Answer ask(const std::vector<std::string>& arguments, const WorkerRequest& request);

private:
    using Clock = std::chrono::steady_clock;

    // The exchange itself, by the one request that holds the worker;
    // `started` tells that it started the worker.
    bool exchange(const std::vector<std::string>& arguments, const WorkerRequest& request,
                  Answer& answer, bool& started);

    std::mutex mutex_;
    std::condition_variable idle_;
    std::uint64_t latest_ = 0;
    bool busy_ = false;
    Clock::time_point busySince_;
    Clock::duration lastFrame_{};
    pid_t running_ = 0;
    // Touched only by the request that holds the worker.
    std::unique_ptr<WorkerProcess> worker_;
    std::vector<std::string> workerArguments_;
};
