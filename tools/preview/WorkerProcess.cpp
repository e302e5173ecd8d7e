#include "WorkerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <stdexcept>

#include "ChildProcess.h"

namespace {

int millisecondsLeft(WorkerProcess::Clock::time_point until) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - WorkerProcess::Clock::now())
            .count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1000000));
}

// Waits for `events` on `descriptor` until `until`; true when they came.
bool waitFor(int descriptor, short events, WorkerProcess::Clock::time_point until) {
    for (;;) {
        const int left = millisecondsLeft(until);
        if (left <= 0)
            return false;
        pollfd ready{descriptor, events, 0};
        const int got = ::poll(&ready, 1, left);
        if (got > 0)
            return true;
        if (got < 0 && errno != EINTR)
            return false;
    }
}

}  // namespace

WorkerProcess::WorkerProcess(const std::vector<std::string>& arguments) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot start the frame worker: no pipe");
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        throw std::runtime_error("cannot start the frame worker: no pipe");
    }
    const int spawned = spawnTool(arguments, in[0], out[1], pid_);
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];
    if (spawned != 0) {
        ::close(input_);
        ::close(output_);
        throw std::runtime_error("cannot start the frame worker");
    }
}

WorkerProcess::~WorkerProcess() {
    ::close(input_);
    ::close(output_);
    if (!exited_) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

bool WorkerProcess::alive() {
    if (exited_)
        return false;
    int status = 0;
    exited_ = ::waitpid(pid_, &status, WNOHANG) == pid_;
    return !exited_;
}

bool WorkerProcess::send(const std::string& bytes, Clock::time_point until) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (!waitFor(input_, POLLOUT, until))
            return false;
        const ssize_t n = ::write(input_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0)
            sent += static_cast<std::size_t>(n);
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            return false;
    }
    return true;
}

bool WorkerProcess::fill(Clock::time_point until) {
    if (!waitFor(output_, POLLIN, until))
        return false;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(output_, buffer, sizeof buffer)) < 0 && errno == EINTR) {
    }
    if (n <= 0)
        return false;
    buffered_.append(buffer, static_cast<std::size_t>(n));
    return true;
}

bool WorkerProcess::readLine(std::string& line, std::size_t most, Clock::time_point until) {
    std::size_t end;
    while ((end = buffered_.find('\n')) == std::string::npos) {
        if (buffered_.size() > most || !fill(until))
            return false;
    }
    if (end > most)
        return false;
    line = buffered_.substr(0, end);
    buffered_.erase(0, end + 1);
    return true;
}

bool WorkerProcess::readBytes(std::string& bytes, std::size_t count, Clock::time_point until) {
    buffered_.reserve(count);
    while (buffered_.size() < count) {
        if (!fill(until))
            return false;
    }
    bytes = buffered_.substr(0, count);
    buffered_.erase(0, count);
    return true;
}
