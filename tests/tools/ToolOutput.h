#pragma once
// Runs the built tool as an author does and keeps its exit status and
// everything it printed (standard output and errors together).

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

struct ToolOutput {
    int status = -1;
    std::string text;

    bool has(const std::string& part) const { return text.find(part) != std::string::npos; }
};

inline ToolOutput runCommand(const std::string& command) {
    ToolOutput result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        result.text.append(buffer, n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline ToolOutput runTool(const std::string& arguments) {
    return runCommand(QS_TOOL " " + arguments);
}

// Starts the tool with `arguments` in the background, everything it prints
// going to the file `log`; the process to signal and wait for, or -1.
inline pid_t spawnTool(std::vector<std::string> arguments, const std::string& log) {
    arguments.insert(arguments.begin(), QS_TOOL);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    pid_t child = -1;
    if (posix_spawn(&child, QS_TOOL, &files, nullptr, argv.data(), environ) != 0)
        child = -1;
    posix_spawn_file_actions_destroy(&files);
    return child;
}

// Waits until `ready` says so (two minutes at most, so that a broken tool
// cannot hang the test), interrupts the tool started by spawnTool as Ctrl-C
// does, waits for it to end and gives its exit status and what it printed.
inline ToolOutput interruptTool(pid_t child, const std::string& log,
                                const std::function<bool()>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!ready() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ToolOutput result;
    int status = 0;
    if (::kill(child, SIGINT) != 0 || ::waitpid(child, &status, 0) != child)
        return result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream file(log, std::ios::binary);
    result.text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return result;
}
