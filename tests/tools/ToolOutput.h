#pragma once
// Runs the built tool as an author does and keeps its exit status and
// everything it printed (standard output and errors together).

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
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
