#include "FrameSession.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <sstream>

#include "HostErrorNames.h"
#include "ImageCodecs.h"
#include "InProcessEngine.h"
#include "JsonText.h"
#include "ParameterDescription.h"
#include "SlowPasses.h"
#include "host/FrameStatistics.h"
#include "host/GpuPassTimes.h"

namespace {

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

// The picture as an 8-bit PNG at the fastest compression: deflate's
// run-length matching over Paeth-filtered rows costs a few milliseconds and
// leaves a tenth of the bytes, which the browser takes in faster than the
// raw rows (measured with the preview benchmark).
std::string png(const HostWorld& image) {
    constexpr int kFastest = 1;
    const std::vector<std::uint8_t> bytes =
        encodePng(image.depth() == 8 ? image : image.converted(8), kFastest);
    return std::string(bytes.begin(), bytes.end());
}

std::string errorJson(const std::string& message) {
    return "{\"error\":" + jsonQuote(message) + "}";
}

std::string failure(PF_Cmd cmd, const CommandResult& result) {
    return commandName(cmd) + " failed with " + hostErrorName(result.error);
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

long wholeNumber(const std::string& text) {
    try {
        return std::max(0L, std::stol(text));
    } catch (const std::exception&) {
        return 0;
    }
}

// The frame of a span at `rate` shown at the time of frame `index` at `main`.
long frameAtTime(long index, const FrameRate& main, const FrameRate& rate) {
    return std::lround(static_cast<double>(index) * main.den * rate.num / (main.num * rate.den));
}

}  // namespace

FrameSession::FrameSession(std::string plugin, std::string input, HostApplication application)
    : plugin_(std::move(plugin)), input_(std::move(input)), application_(application) {}

FrameSession::~FrameSession() = default;

FrameSession::Answer FrameSession::answer(const WorkerRequest& request) {
    try {
        return request.one("kind") == "before" ? before(request) : frame(request);
    } catch (const std::exception& error) {
        return {errorJson(error.what()), {}};
    }
}

FrameSource& FrameSession::source(const std::string& path) {
    std::unique_ptr<FrameSource>& opened = sources_[path];
    if (!opened)
        opened = openFrameSource(path);
    return *opened;
}

const HostWorld& FrameSession::inputFrame(long index, int depth) {
    if (index != inputIndex_ || depth != inputDepth_) {
        inputIndex_ = -1;
        inputFrame_ = source(input_).frame(index);
        if (depth != 0 && depth != inputFrame_.depth())
            inputFrame_ = inputFrame_.converted(depth);
        inputIndex_ = index;
        inputDepth_ = depth;
    }
    return inputFrame_;
}

FrameSession::Answer FrameSession::before(const WorkerRequest& request) {
    const HostWorld& input = inputFrame(wholeNumber(request.one("frame")),
                                        static_cast<int>(wholeNumber(request.one("depth"))));
    const auto scale = static_cast<A_u_long>(std::max(1L, wholeNumber(request.one("downsample"))));
    const HostWorld shown = scale == 1 ? input : input.downsampled({1, scale}, {1, scale});
    return {"{\"width\":" + std::to_string(shown.width()) +
                ",\"height\":" + std::to_string(shown.height()) + "}",
            png(shown)};
}

std::string FrameSession::setUp(const HostWorld& input) {
    EffectSourceOptions options;
    options.plugin = plugin_;
    // The engine linked into the tool renders, so that its phases and passes
    // can be timed.
    effect_ = std::make_unique<OpenedEffect>(options, inProcessEntryPoint);
    host_ = std::make_unique<SimulatedHost>(effect_->module(), application_);
    Composition composition;
    composition.width = input.width();
    composition.height = input.height();
    host_->setComposition(composition);
    if (const CommandResult r = host_->globalSetup(); r.error != PF_Err_NONE)
        return failure(PF_Cmd_GLOBAL_SETUP, r);
    if (const CommandResult r = host_->paramsSetup(); r.error != PF_Err_NONE)
        return failure(PF_Cmd_PARAMS_SETUP, r);
    CommandResult added;
    instance_ = host_->addInstance(&added);
    if (added.error != PF_Err_NONE)
        return failure(PF_Cmd_SEQUENCE_SETUP, added);
    return {};
}

void FrameSession::setLayers(const WorkerRequest& request, long index) {
    std::map<PF_ParamIndex, std::string> chosen;
    for (const std::string& layer : request.all("layer")) {
        const auto [name, path] = split(layer);
        if (const auto parameter = host_->parameters().find(name))
            chosen[*parameter] = path;
    }
    const FrameRate rate = source(input_).span().rate;
    // Every layer is set, to nothing when the page chose none, since the
    // instance keeps what the last frame set.
    for (PF_ParamIndex i = 1; i < host_->parameters().count(); ++i) {
        if (host_->parameters().at(i).param_type != PF_Param_LAYER)
            continue;
        const auto found = chosen.find(i);
        if (found == chosen.end()) {
            host_->setLayer(instance_, i, nullptr);
            continue;
        }
        FrameSource& layer = source(found->second);
        const FrameSpan span = layer.span();
        const long frame = span.still ? 0 : frameAtTime(index, rate, span.rate);
        host_->setLayer(instance_, i, std::make_shared<const HostWorld>(layer.frame(frame)));
    }
}

FrameSession::Answer FrameSession::frame(const WorkerRequest& request) {
    using Clock = std::chrono::steady_clock;
    const FrameRate rate = source(input_).span().rate;
    const long index =
        std::min(wholeNumber(request.one("frame")), source(input_).span().frames - 1);
    const HostWorld& input = inputFrame(index, static_cast<int>(wholeNumber(request.one("depth"))));
    if (!setUp_) {
        setUp_ = true;
        setupError_ = setUp(input);
    }
    if (!setupError_.empty())
        return {errorJson(setupError_), {}};

    // Values the page kept for parameters the effect no longer has, or that
    // no longer fit, are left out: the parameter keeps its value.
    for (const std::string& value : request.all("v")) {
        const auto [name, text] = split(value);
        if (const auto parameter = host_->parameters().find(name)) {
            try {
                host_->setParam(instance_, *parameter, numbers(text));
            } catch (const std::exception&) {
            }
        }
    }
    setLayers(request, index);
    const FrameTime time{static_cast<A_long>(index * rate.den), rate.den,
                         static_cast<A_u_long>(rate.num)};
    host_->updateParamsUI(instance_, time);

    RenderOptions options;
    options.mode = request.one("mode") == "classic" ? RenderMode::Classic : RenderMode::Smart;
    const auto downsample =
        static_cast<A_u_long>(std::max(1L, wholeNumber(request.one("downsample"))));
    options.downsampleX = options.downsampleY = PF_RationalScale{1, downsample};
    GpuPassTimes& passTimes = GpuPassTimes::instance();
    passTimes.enabled = true;
    passTimes.take();
    FrameStatistics& statistics = FrameStatistics::instance();
    statistics.enabled = true;
    statistics.reset();
    const auto start = Clock::now();
    const FrameResult frame = host_->renderFrame(instance_, input, time, options);
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
    for (PF_ParamIndex i = 1; i < host_->parameters().count(); ++i)
        params.push_back(parameterJson(*host_, instance_, i, scale, time.seconds()));
    json += ",\"params\":" + jsonArray(params) + "}";
    return {json, frame.output.empty() ? std::string() : png(frame.output)};
}
