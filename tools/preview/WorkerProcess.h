#pragma once
// This tool run again as a resident child process that answers requests on
// its standard input through its standard output, standard error dropped.
// The owner ends it (killed and reaped) when it goes.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

class WorkerProcess {
public:
    using Clock = std::chrono::steady_clock;

    // Starts the tool's own executable with `arguments` (no shell); throws
    // std::runtime_error when it cannot.
    explicit WorkerProcess(const std::vector<std::string>& arguments);
    ~WorkerProcess();
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Whether the child has not yet exited (a killed child has).
    bool alive();
    // Writes all of `bytes`; false when the child is gone or `until` passes.
    bool send(const std::string& bytes, Clock::time_point until);
    // Reads up to and without the next newline, at most `most` bytes; false
    // when the child is gone, the line is longer or `until` passes.
    bool readLine(std::string& line, std::size_t most, Clock::time_point until);
    // Reads exactly `count` bytes; false as readLine.
    bool readBytes(std::string& bytes, std::size_t count, Clock::time_point until);

private:
    // Fills `buffered_` with what the child wrote; false as readLine.
    bool fill(Clock::time_point until);

    pid_t pid_ = 0;
    int input_ = -1;
    int output_ = -1;
    bool exited_ = false;
    std::string buffered_;
};
