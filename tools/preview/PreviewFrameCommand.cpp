// quillshade preview-frame: the preview's worker. Renders one frame of an
// effect module with the values the page holds and prints, as one JSON
// object, what the page shows beside it: the parameters with their current
// values and interface state, the frame's size, the engine's phase
// timings with the slowest shader pass, and warnings about passes over the
// GPU budget. The preview runs one worker per frame, so a script that hangs or
// a module that crashes takes only the worker with it, and a newer request
// ends an older worker at once.
#include <CLI/CLI.hpp>

#include <chrono>
#include <iostream>
#include <sstream>

#include "Commands.h"
#include "EffectSource.h"
#include "FrameSource.h"
#include "HostErrorNames.h"
#include "ImageFiles.h"
#include "InProcessEngine.h"
#include "JsonText.h"
#include "ParameterDescription.h"
#include "SimulatedHost.h"
#include "SlowPasses.h"
#include "host/FrameStatistics.h"
#include "host/GpuPassTimes.h"

namespace {

struct FrameRequest {
    std::string plugin;
    std::string input;
    std::string output;
    std::string before;
    double time = 0;
    int depth = 0;
    std::string host = "ae";
    std::string mode = "smart";
    int downsample = 1;
    std::vector<std::string> values;
    std::vector<std::string> layers;
};

std::pair<std::string, std::string> split(const std::string& text) {
    const std::size_t equals = text.rfind('=');
    if (equals == std::string::npos)
        return {text, ""};
    return {text.substr(0, equals), text.substr(equals + 1)};
}

std::vector<double> numbers(const std::string& text) {
    std::vector<double> result;
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) result.push_back(std::stod(item));
    return result;
}

std::string parameterJson(const SimulatedHost& host, InstanceId id, PF_ParamIndex index,
                          const StreamScale& scale, double seconds) {
    const ParameterDescription p = ParameterDescription::of(index, host.parameters().at(index));
    const HostInstance& instance = host.instance(id);
    std::string json = "{\"index\":" + std::to_string(index) + ",\"name\":" + jsonQuote(p.name) +
                       ",\"type\":" + jsonQuote(p.type) +
                       ",\"disabled\":" + (host.paramUI(id, index).disabled() ? "true" : "false") +
                       ",\"value\":" + jsonNumbers(instance.streams[index].valueAt(seconds, scale));
    if (p.sliderRange) {
        json += ",\"min\":" + jsonNumber(p.sliderRange->first) +
                ",\"max\":" + jsonNumber(p.sliderRange->second) +
                ",\"precision\":" + std::to_string(p.precision.value_or(2));
    }
    std::vector<std::string> choices;
    for (const std::string& choice : p.choices) choices.push_back(jsonQuote(choice));
    return json + ",\"choices\":" + jsonArray(choices) + "}";
}

std::string failure(PF_Cmd cmd, const CommandResult& result) {
    return commandName(cmd) + " failed with " + hostErrorName(result.error);
}

std::string renderFrame(const FrameRequest& request) {
    using Clock = std::chrono::steady_clock;
    HostWorld input = openFrameSource(request.input)->frameAt(request.time);
    if (request.depth != 0 && request.depth != input.depth())
        input = input.converted(request.depth);
    writeImageFile(request.before, input);

    EffectSourceOptions source;
    source.plugin = request.plugin;
    // The engine linked into the tool renders, so that its phases and passes
    // can be timed.
    GpuPassTimes& passTimes = GpuPassTimes::instance();
    passTimes.enabled = true;
    OpenedEffect effect(source, inProcessEntryPoint);
    SimulatedHost host(effect.module(), request.host == "premiere" ? HostApplication::Premiere
                                                                   : HostApplication::AfterEffects);
    Composition composition;
    composition.width = input.width();
    composition.height = input.height();
    host.setComposition(composition);
    if (const CommandResult r = host.globalSetup(); r.error != PF_Err_NONE)
        return "{\"error\":" + jsonQuote(failure(PF_Cmd_GLOBAL_SETUP, r)) + "}";
    if (const CommandResult r = host.paramsSetup(); r.error != PF_Err_NONE)
        return "{\"error\":" + jsonQuote(failure(PF_Cmd_PARAMS_SETUP, r)) + "}";
    CommandResult added;
    const InstanceId instance = host.addInstance(&added);
    if (added.error != PF_Err_NONE)
        return "{\"error\":" + jsonQuote(failure(PF_Cmd_SEQUENCE_SETUP, added)) + "}";

    // Values the page kept for parameters the effect no longer has, or that
    // no longer fit, are left out: the parameter keeps its default.
    for (const std::string& value : request.values) {
        const auto [name, text] = split(value);
        if (const auto index = host.parameters().find(name)) {
            try {
                host.setParam(instance, *index, numbers(text));
            } catch (const std::exception&) {
            }
        }
    }
    for (const std::string& layer : request.layers) {
        const auto [name, path] = split(layer);
        if (const auto index = host.parameters().find(name))
            host.setLayer(instance, *index, std::make_shared<const HostWorld>(readImageFile(path)));
    }
    const FrameTime time{static_cast<A_long>(std::llround(request.time * 1000)), 1, 1000};
    host.updateParamsUI(instance, time);

    RenderOptions options;
    options.mode = request.mode == "classic" ? RenderMode::Classic : RenderMode::Smart;
    options.downsampleX = options.downsampleY =
        PF_RationalScale{1, static_cast<A_u_long>(request.downsample)};
    FrameStatistics& statistics = FrameStatistics::instance();
    statistics.enabled = true;
    statistics.reset();
    const auto start = Clock::now();
    const FrameResult frame = host.renderFrame(instance, input, time, options);
    const double total = std::chrono::duration<double>(Clock::now() - start).count();

    std::string json =
        "{\"error\":" +
        jsonQuote(frame.error == PF_Err_NONE
                      ? ""
                      : commandName(frame.command) + " failed with " + hostErrorName(frame.error)) +
        ",\"width\":" + std::to_string(frame.output.width()) +
        ",\"height\":" + std::to_string(frame.output.height()) +
        ",\"origin\":" + jsonNumbers({double(frame.origin.h), double(frame.origin.v)}) +
        ",\"inputSize\":" + jsonNumbers({double(input.width()), double(input.height())});
    if (!frame.output.empty())
        writeImageFile(request.output, frame.output);
    static const std::pair<FramePhase, const char*> phases[] = {
        {FramePhase::Parameters, "parameters"}, {FramePhase::Upload, "upload"},
        {FramePhase::Script, "script"},         {FramePhase::Gpu, "GPU"},
        {FramePhase::ReadBack, "read-back"},    {FramePhase::WriteBack, "write-back"}};
    std::vector<std::string> timings;
    for (const auto& [phase, name] : phases) {
        timings.push_back(
            jsonArray({jsonQuote(name), jsonNumber(statistics.secondsIn(phase) * 1e3)}));
    }
    timings.push_back(jsonArray({jsonQuote("frame"), jsonNumber(total * 1e3)}));
    SlowPasses slowPasses;
    std::vector<std::string> warnings;
    for (const std::string& warning : slowPasses.add(passTimes.take(), 0))
        warnings.push_back(jsonQuote(warning));
    if (const auto& slowest = slowPasses.slowest()) {
        timings.push_back(jsonArray({jsonQuote("slowest pass: " + passShader(slowest->pass)),
                                     jsonNumber(slowest->pass.milliseconds)}));
    }
    json += ",\"timings\":" + jsonArray(timings) + ",\"warnings\":" + jsonArray(warnings) +
            ",\"renderer\":" + jsonQuote(slowPasses.renderer());

    const StreamScale scale{input.width(), input.height(), {1, 1}, {1, 1}};
    std::vector<std::string> params;
    for (PF_ParamIndex i = 1; i < host.parameters().count(); ++i)
        params.push_back(parameterJson(host, instance, i, scale, request.time));
    return json + ",\"params\":" + jsonArray(params) + "}";
}

}  // namespace

void addPreviewFrameCommand(CLI::App& app) {
    auto request = std::make_shared<FrameRequest>();
    // Started by `preview` only; hidden from the command list.
    CLI::App* command = app.add_subcommand("preview-frame", "The preview's frame worker");
    command->group("");
    command->add_option("--plugin", request->plugin)->required();
    command->add_option("--input", request->input);
    command->add_option("--output", request->output)->required();
    command->add_option("--before", request->before)->required();
    command->add_option("--time", request->time);
    command->add_option("--depth", request->depth)->check(CLI::IsMember({0, 8, 16, 32}));
    command->add_option("--host", request->host)->check(CLI::IsMember({"ae", "premiere"}));
    command->add_option("--mode", request->mode)->check(CLI::IsMember({"smart", "classic"}));
    command->add_option("--downsample", request->downsample)->check(CLI::Range(1, 8));
    command->add_option("--value", request->values);
    command->add_option("--layer", request->layers);
    command->callback([request] {
        int status = 0;
        try {
            std::cout << renderFrame(*request) << "\n";
        } catch (const std::exception& error) {
            std::cout << "{\"error\":" << jsonQuote(error.what()) << "}\n";
        }
        throw CLI::RuntimeError(status);
    });
}
