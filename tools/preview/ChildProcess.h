#pragma once
// Runs this tool again as a child process and collects its standard output.
// The preview does its rendering and checking in children, so that an effect
// that crashes or hangs cannot take the server with it.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// Starts the tool's own executable with `arguments` (no shell): standard
// input from `input` (or /dev/null for -1), standard output to `output`,
// standard error dropped, with no signal blocked and SIGPIPE at its default.
// Returns posix_spawn's error number, 0 when the child started.
int spawnTool(const std::vector<std::string>& arguments, int input, int output, pid_t& pid);

struct ChildResult {
    // The exit status, or -1 when the child was killed or did not start.
    int status = -1;
    std::string output;
};

// Runs the tool's own executable with `arguments` (no shell), with standard
// input closed and standard error dropped; `started` receives the child's
// id so that another thread may end it early. A child still running after
// `timeoutSeconds` is killed. `ending` is called once the child's output
// has ended and before the child is reaped, while its id cannot yet be
// reused by another process.
ChildResult runTool(const std::vector<std::string>& arguments, double timeoutSeconds,
                    const std::function<void(pid_t)>& started = {},
                    const std::function<void(pid_t)>& ending = {});
