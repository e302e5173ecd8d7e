// quillshade render: renders frames of an effect over an image, as a host does.
#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>

#include "Commands.h"
#include "EffectSource.h"
#include "EffectUnpacker.h"
#include "EmptyReads.h"
#include "FrameInput.h"
#include "FrameOutput.h"
#include "FramePlan.h"
#include "MissingFrames.h"
#include "FrameProblems.h"
#include "LayerInputs.h"
#include "HostErrorNames.h"
#include "ImageFiles.h"
#include "OutputOverInputs.h"
#include "RenderParameters.h"
#include "RenderProgress.h"
#include "SimulatedHost.h"
#include "SlowPasses.h"
#include "WatchedEngine.h"
#include "host/FrameStatistics.h"
#include "host/GpuPassTimes.h"
#include "package/BlobReader.h"
#include "platform/ModuleResources.h"

namespace fs = std::filesystem;

namespace {

struct RenderCommandOptions {
    std::string input;
    std::string output;
    EffectSourceOptions source;
    std::vector<std::string> sets;
    std::vector<std::string> layers;
    std::vector<std::string> layerOffsets;
    FrameOptions frames;
    int depth = 0;
    std::string host = "ae";
    std::string mode = "smart";
    std::string downsample = "1/1";
    std::string comp;
    std::string pixelAspect = "1/1";
    bool stats = false;
    bool quiet = false;
    bool keepGoing = false;
    std::string codec;
    int pngCompression = -1;
    std::string exrCompression;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::atomic<bool> interrupted{false};

void onInterrupt(int) {
    interrupted = true;
}

// "N/D" as a host ratio; six digits a side keep both in the host's types.
PF_RationalScale ratio(const std::string& text, const char* what) {
    static const std::regex form(R"(([0-9]{1,6})/([0-9]{1,6}))");
    std::smatch match;
    if (!std::regex_match(text, match, form) || std::stoul(match[2]) == 0 ||
        std::stoul(match[1]) == 0) {
        throw UsageError(std::string(what) + " must be written N/D, e.g. 1/2, at most six " +
                         "digits each: '" + text + "'");
    }
    return PF_RationalScale{static_cast<A_long>(std::stol(match[1])),
                            static_cast<A_u_long>(std::stoul(match[2]))};
}

// A whole number of frames, which may be negative.
long wholeNumber(const std::string& text, const char* what) {
    static const std::regex form(R"(-?[0-9]{1,9})");
    if (!std::regex_match(text, form)) {
        throw UsageError(std::string(what) + " must be a whole number of frames, at most 9 " +
                         "digits: '" + text + "'");
    }
    return std::stol(text);
}

[[noreturn]] void effectFailed(PF_Cmd cmd, PF_Err error, const std::string& message) {
    throw std::runtime_error("the effect failed " + commandName(cmd) + " with " +
                             hostErrorName(error) + (message.empty() ? "" : ": " + message));
}

void requireSuccess(PF_Cmd cmd, const CommandResult& result) {
    if (result.error != PF_Err_NONE)
        effectFailed(cmd, result.error, result.out.return_msg);
}

// Seconds the render loop spent in each phase; reading and writing a video
// go on beside it, on threads whose own seconds are `decoding` and
// `encoding`.
struct Timings {
    double read = 0, setup = 0, render = 0, write = 0;
    double decoding = 0, encoding = 0;
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
// dispatch. The slowest pass follows the GPU's share it is part of.
void printStatistics(const Timings& timings, const FrameStatistics& engine,
                     const SlowPasses& passes) {
    static const std::pair<FramePhase, const char*> phases[] = {
        {FramePhase::Parameters, "  parameters"}, {FramePhase::Upload, "  upload"},
        {FramePhase::Script, "  script"},         {FramePhase::Gpu, "  GPU"},
        {FramePhase::ReadBack, "  read-back"},    {FramePhase::WriteBack, "  write-back"}};
    const int engineFrames = static_cast<int>(engine.frames);
    printLine("read input", timings.read, 0);
    if (timings.decoding > 0)
        printLine("  decoding", timings.decoding, timings.frames);
    printLine("set-up", timings.setup, 0);
    printLine("render", timings.render, timings.frames);
    double rest = timings.render;
    for (const auto& [phase, name] : phases) {
        printLine(name, engine.secondsIn(phase), engineFrames);
        rest -= engine.secondsIn(phase);
        if (phase == FramePhase::Gpu && passes.slowest()) {
            const SlowPasses::Slowest& slowest = *passes.slowest();
            std::printf("%-14s %10.3f ms  %s, %u x %u (frame %ld)\n", "  slowest pass",
                        slowest.pass.milliseconds, passShader(slowest.pass).c_str(),
                        slowest.pass.width, slowest.pass.height, slowest.frame);
        }
    }
    printLine("  other", rest, timings.frames);
    printLine("write output", timings.write, timings.frames);
    if (timings.encoding > 0)
        printLine("  encoding", timings.encoding, timings.frames);
    if (!passes.renderer().empty())
        std::printf("%-14s %s\n", "renderer", passes.renderer().c_str());
    std::printf("%-14s %10d     (%.2f per second)\n", "frames", timings.frames,
                timings.render > 0 ? timings.frames / timings.render : 0.0);
}

// fx.js of the effect, for the lines of its problems.
std::string effectScript(const EffectSourceOptions& source, OpenedEffect& effect) {
    std::vector<std::uint8_t> bytes;
    if (!source.loose.empty()) {
        bytes = ModuleResources::readFile((fs::path(source.loose) / "fx.js").string())
                    .value_or(std::vector<std::uint8_t>());
    } else {
        const EffectUnpacker unpacker(effect.module().path());
        for (const EffectFile& file : unpacker.files()) {
            if (file.name == "fx.js")
                bytes = file.data;
        }
    }
    return std::string(bytes.begin(), bytes.end());
}

OutputSettings outputSettings(const RenderCommandOptions& options, const FramePlan& plan,
                              const FrameInput& input) {
    OutputSettings settings;
    settings.codec = options.codec;
    settings.rate = plan.rate;
    settings.source = input.videoDescription();
    settings.firstFrame = plan.first;
    if (options.pngCompression < -1 || options.pngCompression > 9)
        throw UsageError("--png-compression must be 0 (none) to 9 (smallest)");
    settings.pngCompression = options.pngCompression;
    if (!options.exrCompression.empty()) {
        std::string names;
        bool known = false;
        for (const char* const* name = exrCompressionNames(); *name; ++name) {
            known = known || options.exrCompression == *name;
            names += std::string(names.empty() ? "" : ", ") + *name;
        }
        if (!known) {
            throw UsageError("--exr-compression must be one of " + names + ": '" +
                             options.exrCompression + "'");
        }
    }
    settings.exrCompression = options.exrCompression;
    return settings;
}

int runRender(RenderCommandOptions options) {
    using Clock = std::chrono::steady_clock;
    Timings timings;
    // The loose-file mode changes the current folder: settle every path first.
    options.input = fs::absolute(options.input).string();
    options.output = fs::absolute(options.output).string();
    if (options.depth != 0 && options.depth != 8 && options.depth != 16 && options.depth != 32) {
        throw UsageError("--depth must be 8, 16 or 32");
    }
    const HostApplication application =
        options.host == "premiere" ? HostApplication::Premiere : HostApplication::AfterEffects;
    RenderOptions render;
    render.mode = options.mode == "classic" ? RenderMode::Classic : RenderMode::Smart;
    render.downsampleX = render.downsampleY = ratio(options.downsample, "--downsample");
    render.pixelAspect = ratio(options.pixelAspect, "--pixel-aspect");
    std::vector<std::pair<std::string, std::string>> layers;
    for (const std::string& layer : options.layers) {
        auto [name, path] = assignment(layer, "--layer");
        layers.emplace_back(name, fs::absolute(path).string());
    }

    auto start = Clock::now();
    std::unique_ptr<FrameInput> input = FrameInput::open(options.input);
    const FramePlan plan = planFrames(options.frames, options.input, options.output, *input);
    // A video's range is checked now; a sequence's missing frames stop the
    // render at the first, or with --keep-going at the sixth.
    if (!input->videoPath().empty())
        input->require(plan.first, plan.last);
    const MissingFrames missing(*input, plan.first, plan.last, options.keepGoing);
    const long firstPresent = missing.firstPresent();
    if (firstPresent == missing.stop()) {
        for (long index = plan.first; index < firstPresent; ++index)
            std::cerr << missing.line(index) << "\n";
        std::cerr << missing.stopLine() << "\n";
        return 1;
    }
    FramePlan reached = plan;
    reached.last = missing.stop() - 1;
    refuseOutputOverInputs(options.output, reached, *input, layers);
    HostWorld firstFrame = input->frame(firstPresent);
    timings.read = since(start);
    RenderProgress progress(missing.frames(), options.quiet);
    if (render.mode == RenderMode::Classic &&
        (render.downsampleX.num != 1 || render.downsampleX.den != 1)) {
        progress.message(
            "warning: classic rendering at --downsample " + options.downsample +
            ": the engine sets its frame up from the already reduced layer and scales it again, "
            "so the host shows a centre crop of the reduced layer, as this render does; smart "
            "rendering shows the whole layer");
    }

    start = Clock::now();
    // Passes the script draws in set-up are timed too; the first frame
    // reports them.
    GpuPassTimes& passTimes = GpuPassTimes::instance();
    passTimes.enabled = true;
    // The tool's own engine renders, so that what it swallows can be told;
    // its package reads are watched from the start, as check watches them.
    OpenedEffect effect(options.source, watchedEntryPoint);
    if (options.source.loose.empty()) {
        BlobReader::instance().load(static_cast<win32::HMODULE>(effect.module().instanceHandle()));
        recordEmptyReads();
    }
    FrameProblems problems(effectScript(options.source, effect));
    SimulatedHost host(effect.module(), application);
    Composition composition;
    composition.width = firstFrame.width();
    composition.height = firstFrame.height();
    if (!options.comp.empty()) {
        static const std::regex size(R"(([0-9]{1,6})x([0-9]{1,6}))");
        std::smatch match;
        if (!std::regex_match(options.comp, match, size)) {
            throw UsageError("--comp must be written WxH, at most six digits each: '" +
                             options.comp + "'");
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
    setParameters(host, effect, instance, options.sets, progress);
    std::vector<LayerInputs::Source> layerSources;
    for (const auto& [name, path] : layers)
        layerSources.push_back({findParameter(host, effect, name), name, path, 0});
    for (const std::string& text : options.layerOffsets) {
        const auto [name, frames] = assignment(text, "--layer-offset");
        const auto source = std::find_if(layerSources.begin(), layerSources.end(),
                                         [&name](const auto& s) { return s.name == name; });
        if (source == layerSources.end())
            throw UsageError("--layer-offset " + name + ": no --layer " + name + "=... to move");
        source->offset = wholeNumber(frames, "--layer-offset");
    }
    LayerInputs layerInputs(layerSources, plan.rate);
    std::unique_ptr<FrameOutput> output =
        FrameOutput::open(options.output, outputSettings(options, plan, *input));
    timings.setup = since(start);

    FrameStatistics& engine = FrameStatistics::instance();
    engine.enabled = options.stats;
    SlowPasses slowPasses;
    long failed = 0;
    bool inputEnded = false;
    for (long index = plan.first; index <= plan.last && !interrupted; ++index) {
        if (index == missing.stop()) {
            progress.message(missing.stopLine());
            break;
        }
        if (missing.missing(index)) {
            progress.message(missing.line(index));
            continue;
        }
        progress.starting();
        start = Clock::now();
        HostWorld frame;
        try {
            frame = index == firstPresent ? std::move(firstFrame) : input->frame(index);
        } catch (const std::runtime_error& error) {
            // A video that cannot be read further ends the render; what was
            // rendered stays.
            progress.message(std::string("quillshade render: ") + error.what());
            inputEnded = true;
            break;
        }
        for (const std::string& warning : input->takeWarnings()) progress.message(warning);
        try {
            layerInputs.setFrame(host, instance, index);
        } catch (const std::runtime_error& error) {
            progress.message(std::string("quillshade render: ") + error.what());
            inputEnded = true;
            break;
        }
        if (options.depth != 0 && options.depth != frame.depth())
            frame = frame.converted(options.depth);
        timings.read += since(start);
        start = Clock::now();
        FrameResult result = host.renderFrame(instance, frame, plan.time(index), render);
        timings.render += since(start);
        FrameProblems::Found found = problems.collect();
        if (result.error != PF_Err_NONE) {
            found.failed = true;
            found.messages.push_back("the effect failed " + commandName(result.command) + " with " +
                                     hostErrorName(result.error) +
                                     (result.message.empty() ? "" : ": " + result.message));
        }
        for (const std::string& warning : slowPasses.add(passTimes.take(), index))
            found.messages.push_back(warning);
        for (const std::string& message : found.messages)
            progress.message(message +
                             (plan.single ? "" : " (frame " + std::to_string(index) + ")"));
        start = Clock::now();
        output->write(index, std::move(result.output));
        for (const std::string& warning : output->takeWarnings()) progress.message(warning);
        timings.write += since(start);
        ++timings.frames;
        progress.finished();
        if (found.failed && ++failed && !options.keepGoing)
            break;
    }
    start = Clock::now();
    // A render that stopped early leaves its frames under a partial name.
    std::string written = options.output;
    if (timings.frames == plan.count())
        output->finish();
    else if (const std::string partial = output->finishPartial(); !partial.empty())
        written = partial;
    timings.write += since(start);
    // The writer's thread may warn of the last frames only now.
    for (const std::string& warning : output->takeWarnings()) progress.message(warning);
    timings.decoding = input->backgroundSeconds();
    timings.encoding = output->backgroundSeconds();
    if (const std::string slow = slowPasses.summary(); !slow.empty())
        progress.message(slow);
    if (options.stats)
        printStatistics(timings, engine, slowPasses);
    std::vector<std::string> notes;
    if (const std::string count = input->warningCount(); !count.empty())
        notes.push_back(count);
    if (const std::string note = missing.note(); !note.empty())
        notes.push_back(note);
    progress.summary(written, failed, interrupted, notes);
    if (interrupted) {
        std::cerr << "quillshade render: interrupted after " << timings.frames << " of "
                  << plan.count() << " frames\n";
        return 130;
    }
    if (failed > 0 && !options.keepGoing && timings.frames < plan.count()) {
        std::cerr << "quillshade render: stopped after the frame with problems; --keep-going "
                     "renders the rest\n";
    }
    return failed > 0 || inputEnded || !missing.note().empty() ? 1 : 0;
}

}  // namespace

void addRenderCommand(CLI::App& app) {
    auto options = std::make_shared<RenderCommandOptions>();
    CLI::App* render = app.add_subcommand("render", "Render frames of an effect over an image");
    render
        ->add_option("--input", options->input,
                     "Input image (PNG, JPEG, Radiance HDR, OpenEXR), image sequence "
                     "(shot.####.png, shot.%04d.png) or video (.mov, .mp4, .mkv)")
        ->required();
    render
        ->add_option("--output", options->output,
                     "Output image (.png, .exr), sequence (a # run or %0Nd names the frame) or "
                     "video (.mov, .mkv, .mp4)")
        ->required();
    addEffectSourceOptions(*render, options->source);
    render->add_option("--set", options->sets, "NAME=VALUE or NAME=V0@T0,V1@T1 (keyframes)");
    render->add_option("--layer", options->layers,
                       "NAME=FILE for a layer parameter: an image, a sequence (a # run or %0Nd) or "
                       "a video, read along with the input");
    render->add_option("--layer-offset", options->layerOffsets,
                       "NAME=FRAMES: the layer's frame shown with render frame N is N + FRAMES");
    // Taken as text, so that a malformed value is explained as the other
    // values are, by render itself.
    CLI::Option* time = render->add_option(
        "--time", options->frames.time,
        "Time in seconds of the one frame (of a video or sequence: the frame shown then)");
    CLI::Option* frames = render->add_option(
        "--frames", options->frames.frames,
        "FIRST-LAST frame numbers, or N for one (of a video input: its frames, counted from 0)");
    time->excludes(frames);
    render->add_option("--fps", options->frames.fps,
                       "Frames per second, N, N.M or N/D (default 25, a video's own); a video "
                       "input is rendered at that rate");
    render->add_option("--depth", options->depth, "Host depth 8, 16 or 32 (default: the input's)");
    render->add_option("--host", options->host, "ae or premiere")
        ->check(CLI::IsMember({"ae", "premiere"}));
    render->add_option("--mode", options->mode, "smart or classic")
        ->check(CLI::IsMember({"smart", "classic"}));
    render->add_option("--downsample", options->downsample, "Resolution factor N/D (default 1/1)");
    render->add_option("--comp", options->comp, "Composition size WxH (default: the input's)");
    render->add_option("--pixel-aspect", options->pixelAspect, "Pixel aspect N/D (default 1/1)");
    render->add_flag("--stats", options->stats, "Print timings and frames per second");
    render->add_flag("--quiet", options->quiet, "No progress and no summary line");
    render->add_flag("--keep-going", options->keepGoing,
                     "Render every frame even after one has problems (the exit status stays 1)");
    render->add_option("--codec", options->codec,
                       "Video codec: prores4444 (.mov default), ffv1 (.mkv default), h264 (.mp4 "
                       "default)");
    render->add_option("--png-compression", options->pngCompression,
                       "PNG compression: 0 stores, 1 (the default) is fast run-length, 2 to 9 "
                       "zlib's levels (9 smallest)");
    render->add_option("--exr-compression", options->exrCompression,
                       "OpenEXR compression: none, rle, zips, zip, piz (the default)");
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
