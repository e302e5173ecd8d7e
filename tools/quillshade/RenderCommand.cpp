// quillshade render: renders frames of an effect over an image, as a host does.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <regex>

#include "Commands.h"
#include "EffectSource.h"
#include "HostErrorNames.h"
#include "ImageFiles.h"
#include "InProcessEngine.h"
#include "ParameterValues.h"
#include "SimulatedHost.h"
#include "host/FrameStatistics.h"

namespace fs = std::filesystem;

namespace {

struct RenderCommandOptions {
    std::string input;
    std::string output;
    EffectSourceOptions source;
    std::vector<std::string> sets;
    std::vector<std::string> layers;
    double time = 0;
    std::string frames;
    double fps = 25;
    int depth = 0;
    std::string host = "ae";
    std::string mode = "smart";
    std::string downsample = "1/1";
    std::string comp;
    std::string pixelAspect = "1/1";
    bool stats = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::atomic<bool> interrupted{false};

void onInterrupt(int) {
    interrupted = true;
}

// "N/D" as a host ratio.
PF_RationalScale ratio(const std::string& text, const char* what) {
    static const std::regex form(R"(([0-9]+)/([0-9]+))");
    std::smatch match;
    if (!std::regex_match(text, match, form) || std::stoul(match[2]) == 0 ||
        std::stoul(match[1]) == 0) {
        throw UsageError(std::string(what) + " must be written N/D, e.g. 1/2: '" + text + "'");
    }
    return PF_RationalScale{static_cast<A_long>(std::stol(match[1])),
                            static_cast<A_u_long>(std::stoul(match[2]))};
}

// The output file of frame `index`: a run of '#' or a %0Nd pattern in the name.
std::string framePath(const std::string& pattern, long index) {
    static const std::regex hashes("#+");
    static const std::regex printf(R"(%0?([0-9]*)d)");
    std::smatch match;
    char digits[32];
    if (std::regex_search(pattern, match, hashes)) {
        std::snprintf(digits, sizeof digits, "%0*ld", static_cast<int>(match.length()), index);
        return match.prefix().str() + digits + match.suffix().str();
    }
    if (std::regex_search(pattern, match, printf)) {
        const int width = match[1].length() ? std::stoi(match[1]) : 0;
        std::snprintf(digits, sizeof digits, "%0*ld", width, index);
        return match.prefix().str() + digits + match.suffix().str();
    }
    throw UsageError("with --frames the output name needs a # run or a %0Nd pattern: " + pattern);
}

struct Frame {
    FrameTime time;
    std::string path;
};

std::vector<Frame> framesToRender(const RenderCommandOptions& options) {
    if (options.frames.empty()) {
        FrameTime time;
        time.scale = 1000;
        time.step = 1;
        time.value = static_cast<A_long>(std::llround(options.time * 1000));
        return {Frame{time, options.output}};
    }
    static const std::regex range(R"(([0-9]+)-([0-9]+))");
    std::smatch match;
    if (!std::regex_match(options.frames, match, range) ||
        std::stol(match[1]) > std::stol(match[2])) {
        throw UsageError("--frames must be written FIRST-LAST: '" + options.frames + "'");
    }
    if (!(options.fps > 0))
        throw UsageError("--fps must be above 0");
    std::vector<Frame> frames;
    for (long i = std::stol(match[1]); i <= std::stol(match[2]); ++i) {
        frames.push_back(Frame{FrameTime::ofFrame(static_cast<A_long>(i), options.fps),
                               framePath(options.output, i)});
    }
    return frames;
}

void checkOutputName(const std::string& path) {
    const std::string extension = fs::path(path).extension().string();
    if (extension != ".png" && extension != ".exr") {
        throw UsageError("the output must be a .png or .exr file: " + path);
    }
}

// A parameter by the name the host shows, or by the script's own name.
PF_ParamIndex findParameter(const SimulatedHost& host, OpenedEffect& effect,
                            const std::string& name) {
    if (auto index = host.parameters().find(name))
        return *index;
    const auto label = effect.labelsByScriptName().find(name);
    if (label != effect.labelsByScriptName().end()) {
        if (auto index = host.parameters().find(label->second))
            return *index;
    }
    throw UsageError("the effect has no parameter '" + name + "'");
}

std::pair<std::string, std::string> assignment(const std::string& text, const char* option) {
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw UsageError(std::string(option) + " must be written NAME=VALUE: '" + text + "'");
    }
    return {text.substr(0, equals), text.substr(equals + 1)};
}

[[noreturn]] void effectFailed(PF_Cmd cmd, PF_Err error, const std::string& message) {
    throw std::runtime_error("the effect failed " + commandName(cmd) + " with " +
                             hostErrorName(error) + (message.empty() ? "" : ": " + message));
}

void requireSuccess(PF_Cmd cmd, const CommandResult& result) {
    if (result.error != PF_Err_NONE)
        effectFailed(cmd, result.error, result.out.return_msg);
}

struct Timings {
    double read = 0, setup = 0, render = 0, write = 0;
    int frames = 0;
};

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void printLine(const char* name, double seconds, int frames) {
    std::printf("%-14s %10.3f ms", name, seconds * 1e3);
    if (frames > 0)
        std::printf("  (%.3f ms a frame)", seconds * 1e3 / frames);
    std::printf("\n");
}

// The host's totals, and the engine's frame split into its phases; what the
// phases leave of the render time is the host's own work and the command
// dispatch.
void printStatistics(const Timings& timings, const FrameStatistics& engine) {
    static const std::pair<FramePhase, const char*> phases[] = {
        {FramePhase::Parameters, "  parameters"}, {FramePhase::Upload, "  upload"},
        {FramePhase::Script, "  script"},         {FramePhase::Gpu, "  GPU"},
        {FramePhase::ReadBack, "  read-back"},    {FramePhase::WriteBack, "  write-back"}};
    const int engineFrames = static_cast<int>(engine.frames);
    printLine("read input", timings.read, 0);
    printLine("set-up", timings.setup, 0);
    printLine("render", timings.render, timings.frames);
    double rest = timings.render;
    for (const auto& [phase, name] : phases) {
        printLine(name, engine.secondsIn(phase), engineFrames);
        rest -= engine.secondsIn(phase);
    }
    printLine("  other", rest, timings.frames);
    printLine("write output", timings.write, timings.frames);
    std::printf("%-14s %10d     (%.2f per second)\n", "frames", timings.frames,
                timings.render > 0 ? timings.frames / timings.render : 0.0);
}

int runRender(RenderCommandOptions options) {
    using Clock = std::chrono::steady_clock;
    Timings timings;
    // The loose-file mode changes the current folder: settle every path first.
    options.input = fs::absolute(options.input).string();
    options.output = fs::absolute(options.output).string();
    checkOutputName(options.output);
    if (options.depth != 0 && options.depth != 8 && options.depth != 16 && options.depth != 32) {
        throw UsageError("--depth must be 8, 16 or 32");
    }
    const HostApplication application =
        options.host == "premiere" ? HostApplication::Premiere : HostApplication::AfterEffects;
    RenderOptions render;
    render.mode = options.mode == "classic" ? RenderMode::Classic : RenderMode::Smart;
    render.downsampleX = render.downsampleY = ratio(options.downsample, "--downsample");
    render.pixelAspect = ratio(options.pixelAspect, "--pixel-aspect");
    const std::vector<Frame> frames = framesToRender(options);
    std::vector<std::pair<std::string, std::string>> layers;
    for (const std::string& layer : options.layers) {
        auto [name, path] = assignment(layer, "--layer");
        layers.emplace_back(name, fs::absolute(path).string());
    }

    auto start = Clock::now();
    HostWorld input = readImageFile(options.input);
    if (options.depth != 0 && options.depth != input.depth())
        input = input.converted(options.depth);
    timings.read = since(start);

    start = Clock::now();
    // Statistics come from the engine linked into the tool, which the module's
    // own engine cannot share.
    OpenedEffect effect(options.source, options.stats ? inProcessEntryPoint : nullptr);
    SimulatedHost host(effect.module(), application);
    Composition composition;
    composition.width = input.width();
    composition.height = input.height();
    if (!options.comp.empty()) {
        static const std::regex size(R"(([0-9]+)x([0-9]+))");
        std::smatch match;
        if (!std::regex_match(options.comp, match, size)) {
            throw UsageError("--comp must be written WxH: '" + options.comp + "'");
        }
        composition.width = std::stoi(match[1]);
        composition.height = std::stoi(match[2]);
    }
    composition.pixelAspect =
        A_Ratio{render.pixelAspect.num, static_cast<A_long>(render.pixelAspect.den)};
    host.setComposition(composition);
    requireSuccess(PF_Cmd_GLOBAL_SETUP, host.globalSetup());
    requireSuccess(PF_Cmd_PARAMS_SETUP, host.paramsSetup());
    CommandResult added;
    const InstanceId instance = host.addInstance(&added);
    requireSuccess(PF_Cmd_SEQUENCE_SETUP, added);
    for (const std::string& set : options.sets) {
        const auto [name, text] = assignment(set, "--set");
        const PF_ParamIndex index = findParameter(host, effect, name);
        try {
            const std::vector<Keyframe> keys =
                parseParameterValue(host.parameters().at(index), text);
            if (keys.size() == 1 && text.find('@') == std::string::npos) {
                host.setParam(instance, index, keys.front().value);
            } else {
                for (const Keyframe& key : keys)
                    host.addKeyframe(instance, index, key.seconds, key.value);
            }
        } catch (const ValueError& error) {
            throw UsageError("--set " + name + ": " + error.what());
        }
    }
    for (const auto& [name, path] : layers) {
        host.setLayer(instance, findParameter(host, effect, name),
                      std::make_shared<const HostWorld>(readImageFile(path)));
    }
    timings.setup = since(start);

    const bool showProgress = frames.size() > 1 && ::isatty(STDERR_FILENO);
    FrameStatistics& engine = FrameStatistics::instance();
    engine.enabled = options.stats;
    for (const Frame& frame : frames) {
        if (interrupted)
            break;
        start = Clock::now();
        const FrameResult result = host.renderFrame(instance, input, frame.time, render);
        timings.render += since(start);
        if (result.error != PF_Err_NONE)
            effectFailed(result.command, result.error, result.message);
        start = Clock::now();
        writeImageFile(frame.path, result.output);
        timings.write += since(start);
        ++timings.frames;
        if (showProgress) {
            std::cerr << "\rframe " << timings.frames << "/" << frames.size() << std::flush;
        }
    }
    if (showProgress)
        std::cerr << "\n";
    if (options.stats)
        printStatistics(timings, engine);
    if (interrupted) {
        std::cerr << "quillshade render: interrupted after " << timings.frames << " of "
                  << frames.size() << " frames\n";
        return 130;
    }
    return 0;
}

}  // namespace

void addRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderCommandOptions>();
    CLI::App* render = app.add_subcommand("render", "Render frames of an effect over an image");
    render->add_option("--input", options->input, "Input image (PNG, JPEG, Radiance HDR, OpenEXR)")
        ->required();
    render
        ->add_option("--output", options->output,
                     "Output image (.png, .exr); with --frames a # run or %0Nd names the frame")
        ->required();
    addEffectSourceOptions(*render, options->source);
    render->add_option("--set", options->sets, "NAME=VALUE or NAME=V0@T0,V1@T1 (keyframes)");
    render->add_option("--layer", options->layers, "NAME=IMAGE for a layer parameter");
    CLI::Option* time = render->add_option("--time", options->time, "Time of the frame in seconds");
    CLI::Option* frames =
        render->add_option("--frames", options->frames, "FIRST-LAST frame numbers");
    time->excludes(frames);
    render->add_option("--fps", options->fps, "Frames per second with --frames (default 25)");
    render->add_option("--depth", options->depth, "Host depth 8, 16 or 32 (default: the input's)");
    render->add_option("--host", options->host, "ae or premiere")
        ->check(CLI::IsMember({"ae", "premiere"}));
    render->add_option("--mode", options->mode, "smart or classic")
        ->check(CLI::IsMember({"smart", "classic"}));
    render->add_option("--downsample", options->downsample, "Resolution factor N/D (default 1/1)");
    render->add_option("--comp", options->comp, "Composition size WxH (default: the input's)");
    render->add_option("--pixel-aspect", options->pixelAspect, "Pixel aspect N/D (default 1/1)");
    render->add_flag("--stats", options->stats, "Print timings and frames per second");
    render->callback([options] {
        std::signal(SIGINT, onInterrupt);
        int status = 1;
        try {
            status = runRender(*options);
        } catch (const std::exception& error) {
            std::cerr << "quillshade render: " << error.what() << "\n";
        }
        throw CLI::RuntimeError(status);
    });
}
