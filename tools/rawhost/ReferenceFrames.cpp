#include "ReferenceFrames.h"

#include <cstring>
#include <stdexcept>

#include "EffectModule.h"
#include "SimulatedHost.h"

std::vector<ReferenceFrame> renderReferences(
    const std::string& path, bool premiere, std::int32_t value, std::int32_t step,
    std::uint32_t scale, const std::vector<std::pair<std::string, double>>& settings,
    const std::vector<ReferenceRequest>& requests) {
    EffectModule module(path);
    SimulatedHost host(module,
                       premiere ? HostApplication::Premiere : HostApplication::AfterEffects);
    if (host.globalSetup().error != PF_Err_NONE || host.paramsSetup().error != PF_Err_NONE)
        throw std::runtime_error("the simulated host could not set " + path + " up");
    const InstanceId instance = host.addInstance();
    FrameTime time;
    time.value = value;
    time.step = step;
    time.scale = scale;
    for (const auto& [name, setting] : settings)
        host.changeParam(instance, host.paramIndex(name), {setting}, time);

    std::vector<ReferenceFrame> frames;
    for (const ReferenceRequest& request : requests) {
        HostWorld input(request.width, request.height, request.depth);
        const std::size_t row = static_cast<std::size_t>(request.width) * 4 * request.depth / 8;
        for (int y = 0; y < request.height; ++y)
            std::memcpy(input.row(y), request.input.data() + y * row, row);
        RenderOptions options;
        options.mode = request.classic ? RenderMode::Classic : RenderMode::Smart;
        const FrameResult result = host.renderFrame(instance, input, time, options);
        ReferenceFrame frame;
        frame.error = result.error;
        frame.width = result.output.width();
        frame.height = result.output.height();
        const std::size_t outRow = static_cast<std::size_t>(frame.width) * 4 * request.depth / 8;
        frame.pixels.resize(outRow * static_cast<std::size_t>(frame.height));
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(frame.pixels.data() + y * outRow, result.output.row(y), outRow);
        frames.push_back(std::move(frame));
    }
    return frames;
}
