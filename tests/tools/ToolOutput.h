#pragma once
// Runs the built tool as an author does and keeps its exit status and
// everything it printed (standard output and errors together).

#include <sys/wait.h>

#include <cstdio>
#include <string>

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
