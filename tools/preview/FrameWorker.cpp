#include "FrameWorker.h"

#include <csignal>

#include "ImageBudget.h"

namespace {

// Long enough for a slow frame on a software rasteriser; a worker that
// takes longer is hung.
constexpr std::chrono::seconds kFrameTimeout{60};
// How long a newer request waits for a render beyond the time the last
// frame took before it ends the worker as hung.
constexpr std::chrono::seconds kHungGrace{2};
// The worker's answer line: the parameters of a large effect fit easily.
constexpr std::size_t kMostLineBytes = 4 << 20;

// The picture, an 8-bit PNG, is about as large as the images the tool takes
// at most (a PNG that did not compress adds little to the rows).
std::size_t mostPictureBytes() {
    std::string ignored;
    return static_cast<std::size_t>(ImageBudget::limit(ignored));
}

}  // namespace

FrameWorker::~FrameWorker() = default;

FrameWorker::Answer FrameWorker::ask(const std::vector<std::string>& arguments,
                                     const WorkerRequest& request) {
    Answer answer;
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t mine = ++latest_;
    idle_.notify_all();
    while (busy_ && mine == latest_) {
        const Clock::time_point hung = busySince_ + lastFrame_ + kHungGrace;
        if (idle_.wait_until(lock, hung) == std::cv_status::timeout && busy_ && mine == latest_ &&
            running_ != 0 && Clock::now() >= hung) {
            ::kill(running_, SIGKILL);
            running_ = 0;
        }
    }
    if (mine != latest_) {
        answer.superseded = true;
        return answer;
    }
    busy_ = true;
    busySince_ = Clock::now();
    lock.unlock();

    bool started = false;
    bool answered = exchange(arguments, request, answer, started);
    if (!answered && !started) {
        // A worker that died between requests is seen dead only now: the
        // request goes to a new one, unless this one was ended as hung.
        lock.lock();
        const bool endedAsHung = running_ == 0;
        running_ = 0;
        lock.unlock();
        worker_.reset();
        if (!endedAsHung)
            answered = exchange(arguments, request, answer, started);
    }

    lock.lock();
    running_ = 0;
    if (answered)
        lastFrame_ = Clock::now() - busySince_;
    lock.unlock();
    // A worker that gave no answer crashed, hung or was ended: the next
    // request starts another.
    if (!answered)
        worker_.reset();
    lock.lock();
    busy_ = false;
    idle_.notify_all();
    return answer;
}

bool FrameWorker::exchange(const std::vector<std::string>& arguments, const WorkerRequest& request,
                           Answer& answer, bool& started) {
    if (worker_ && (workerArguments_ != arguments || !worker_->alive()))
        worker_.reset();
    if (!worker_) {
        try {
            worker_ = std::make_unique<WorkerProcess>(arguments);
            started = true;
        } catch (const std::exception&) {
            return false;
        }
        workerArguments_ = arguments;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = worker_->pid();
    }
    const Clock::time_point deadline = Clock::now() + kFrameTimeout;
    std::string line;
    if (!worker_->send(request.encoded(), deadline) ||
        !worker_->readLine(line, kMostLineBytes, deadline))
        return false;
    const std::size_t space = line.find(' ');
    std::size_t bytes = 0;
    try {
        bytes = std::stoul(line.substr(0, space));
    } catch (const std::exception&) {
        return false;
    }
    if (space == std::string::npos || bytes > mostPictureBytes() ||
        !worker_->readBytes(answer.png, bytes, deadline))
        return false;
    answer.json = line.substr(space + 1);
    return true;
}
