#pragma once
// What the tool's engine swallowed while render ran an effect: script errors
// (time-outs among them) with their fx.js lines, shaders that do not compile
// or whose file is missing, and files the script asked for that the package
// lacks; and, as warnings that fail no frame, uniform values the script sets
// that no uniform takes (a misspelt name). The engine runs through watchedEntryPoint
// (WatchedEngine.h); the package's reads are recorded when recordEmptyReads() succeeded.

#include <set>
#include <string>
#include <vector>

class FrameProblems {
public:
    // `script` is fx.js, whose lines the messages name.
    explicit FrameProblems(std::string script) : script_(std::move(script)) {}

    struct Found {
        // Whether the frame just rendered went wrong.
        bool failed = false;
        // Problems not reported before, each with its file and line.
        std::vector<std::string> messages;
    };
    // The problems since the last call: of set-up and the first frame, then
    // of each frame. A shader with an error fails every frame, since the
    // engine draws its error text instead; each message comes once.
    Found collect();

private:
    void add(Found& found, const std::string& message);
    void warn(Found& found, const std::string& message);

    std::string script_;
    std::set<std::string> reported_;
    // Files whose shader's problem tells that they are missing.
    std::set<std::string> explained_;
};
