// quillshade preview: a local web page for writing an effect. It renders the
// effect over the input as the controls change and shows what `check` says,
// and packs the folder again whenever one of its files is saved.
#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#include "Commands.h"
#include "FrameSource.h"
#include "PreviewEffect.h"
#include "PreviewServer.h"

namespace {

struct PreviewOptions {
    std::string target;
    std::string input;
    std::vector<std::string> layers;
    int port = 0;
};

// A layer input from --layer NAME=PATH, opened once here so that one that
// cannot be read fails now, with the reason, rather than in every frame.
PreviewServer::LayerClip layerClip(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
        throw std::runtime_error("--layer " + text + ": give NAME=PATH");
    const std::string path = std::filesystem::absolute(text.substr(equals + 1)).string();
    try {
        openFrameSource(path)->frame(0);
    } catch (const std::exception& error) {
        throw std::runtime_error("--layer " + text + ": " + error.what());
    }
    return {text.substr(0, equals), path};
}

int runPreview(const PreviewOptions& options) {
    std::string input;
    if (!options.input.empty())
        input = std::filesystem::absolute(options.input).string();
    // Fails here, with the reason, rather than in every frame.
    const std::unique_ptr<FrameSource> source = openFrameSource(input);
    source->frame(0);
    std::vector<PreviewServer::LayerClip> clips;
    for (const std::string& layer : options.layers) clips.push_back(layerClip(layer));
    // A frame worker that dies makes writes to its pipe fail rather than end
    // the server.
    std::signal(SIGPIPE, SIG_IGN);
    // Ctrl-C stops the server, so that its temporary folders go with it. The
    // signals are blocked before the effect's folder watcher and the server's
    // threads start, which inherit the mask: otherwise one of them would take
    // the signal and the process would end on the spot.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    PreviewEffect effect(options.target);
    PreviewServer server(effect, input, source->span(), clips);
    const int port = server.bind(options.port);
    if (port < 0)
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(options.port) +
                                 " (another program, or another preview, holds the port; "
                                 "leave --port out for a free one)");
    // A signal may come before the server listens, when stopping it would
    // do nothing: the waiter first waits for it to listen (or to fail to).
    std::atomic<bool> served{false};
    std::thread waiter([&] {
        int received = 0;
        sigwait(&signals, &received);
        while (!served && !server.listening())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        server.stop();
    });
    std::cout << "quillshade preview: http://127.0.0.1:" << port << "/ (Ctrl-C stops)" << std::endl;
    server.serve();
    served = true;
    // serve() also returns when listening fails; the waiter must end either way.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return 0;
}

}  // namespace

void addPreviewCommand(CLI::App& app) {
    auto options = std::make_shared<PreviewOptions>();
    CLI::App* preview = app.add_subcommand(
        "preview", "Serve a local web page that renders an effect live while you edit it");
    preview->add_option("effect", options->target, "Effect folder (watched) or effect module")
        ->required();
    preview->add_option(
        "--input", options->input,
        "Input image (PNG, JPEG, Radiance HDR, OpenEXR), image sequence (shot.####.png) or "
        "video file (.mov, .mp4, .mkv); default: a test pattern");
    preview->add_option("--layer", options->layers,
                        "NAME=PATH: an image, image sequence or video file that layer parameter "
                        "NAME shows at first, read at the input's time (any layer may choose it)");
    preview->add_option("--port", options->port, "Port on 127.0.0.1 (default: any free port)")
        ->check(CLI::Range(0, 65535));
    preview->callback([options] {
        int status = 1;
        try {
            status = runPreview(*options);
        } catch (const std::exception& error) {
            std::cerr << "quillshade preview: " << error.what() << "\n";
        }
        throw CLI::RuntimeError(status);
    });
}
