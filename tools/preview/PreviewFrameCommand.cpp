// quillshade preview-frame: the preview's resident frame worker. It loads the
// effect module once and answers the server's requests (WorkerRequest) on
// its standard input until that ends: for each, one line "BYTES JSON" and
// then the picture as an 8-bit PNG of BYTES bytes. The JSON is what the page shows beside the
// picture: the parameters with their current values and interface state,
// the frame's size, the engine's phase timings with the slowest shader
// pass, and warnings about passes over the GPU budget. The server restarts a
// worker that crashes or runs past its time, so a bad effect costs a frame.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cstdio>
#include <fcntl.h>
#include <iostream>

#include "Commands.h"
#include "FrameSession.h"

namespace {

struct WorkerOptions {
    std::string plugin;
    std::string input;
    std::string host = "ae";
};

bool writeAll(int descriptor, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(descriptor, bytes.data() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void serveRequests(const WorkerOptions& options) {
    // Answers go out on a copy of standard output, which then leads to
    // nowhere: nothing else the process prints can break into them.
    const int answers = ::dup(STDOUT_FILENO);
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (answers < 0 || nowhere < 0 || ::dup2(nowhere, STDOUT_FILENO) < 0)
        throw std::runtime_error("cannot set up the answer channel");
    ::close(nowhere);
    FrameSession session(
        options.plugin, options.input,
        options.host == "premiere" ? HostApplication::Premiere : HostApplication::AfterEffects);
    WorkerRequest request;
    while (request.read(std::cin)) {
        const FrameSession::Answer answer = session.answer(request);
        if (!writeAll(answers,
                      std::to_string(answer.png.size()) + " " + answer.json + "\n" + answer.png))
            break;
    }
    ::close(answers);
}

}  // namespace

void addPreviewFrameCommand(CLI::App& app) {
    auto options = std::make_shared<WorkerOptions>();
    // Started by `preview` only; hidden from the command list.
    CLI::App* command = app.add_subcommand("preview-frame", "The preview's frame worker");
    command->group("");
    command->add_option("--plugin", options->plugin)->required();
    command->add_option("--input", options->input);
    command->add_option("--host", options->host)->check(CLI::IsMember({"ae", "premiere"}));
    command->callback([options] {
        int status = 0;
        try {
            serveRequests(*options);
        } catch (const std::exception& error) {
            std::cerr << "quillshade preview-frame: " << error.what() << "\n";
            status = 1;
        }
        throw CLI::RuntimeError(status);
    });
}
