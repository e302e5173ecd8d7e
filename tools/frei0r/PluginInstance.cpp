#include "PluginInstance.h"

#include "Frei0rApi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <iostream>

#include "RgbaFrames.h"
#include "SharedEngine.h"

PluginInstance::PluginInstance(unsigned width, unsigned height)
    : table_(ParameterTable::ofPlugin()),
      width_(static_cast<A_long>(width)),
      height_(static_cast<A_long>(height)),
      clock_(HostClock::fromEnvironment()) {
    for (int i = 0; i < table_.count(); ++i) {
        const double* initial = table_.at(i).initial;
        values_.push_back({initial[0], initial[1], initial[2]});
    }
}

PluginInstance::~PluginInstance() {
    SharedEngine& engine = SharedEngine::instance();
    auto lock = engine.lock();
    if (id_ == 0)
        return;
    try {
        engine.host().removeInstance(id_);
    } catch (const std::exception&) {
        // The engine is gone with its instances; nothing is left to remove.
    }
    engine.instanceRemoved();
}

void PluginInstance::setValue(int index, const void* value) {
    if (index < 0 || index >= table_.count() || value == nullptr)
        return;
    auto& stored = values_[static_cast<std::size_t>(index)];
    if (table_.at(index).frei0rType == F0R_PARAM_COLOR) {
        const auto* colour = static_cast<const f0r_param_color_t*>(value);
        stored = {colour->r, colour->g, colour->b};
    } else {
        stored[0] = *static_cast<const double*>(value);
    }
}

void PluginInstance::getValue(int index, void* value) const {
    if (index < 0 || index >= table_.count() || value == nullptr)
        return;
    const auto& stored = values_[static_cast<std::size_t>(index)];
    if (table_.at(index).frei0rType == F0R_PARAM_COLOR) {
        *static_cast<f0r_param_color_t*>(value) = {static_cast<float>(stored[0]),
                                                   static_cast<float>(stored[1]),
                                                   static_cast<float>(stored[2])};
    } else {
        *static_cast<double*>(value) = stored[0];
    }
}

std::vector<double> PluginInstance::effectValue(const ParameterSlot& slot, int index) const {
    const EffectParameter& p = *slot.effect;
    const auto& v = values_[static_cast<std::size_t>(index)];
    const auto unit = [](double x) { return std::isfinite(x) ? std::clamp(x, 0.0, 1.0) : 0.0; };
    switch (p.kind) {
        case EffectParameterKind::Slider:
            return {p.minimum + unit(v[0]) * (p.maximum - p.minimum)};
        case EffectParameterKind::Angle:
            return {std::isfinite(v[0]) ? v[0] * 360 : 0};
        case EffectParameterKind::Checkbox:
            return {v[0] >= 0.5 ? 1.0 : 0.0};
        case EffectParameterKind::Colour:
            return {std::round(unit(v[0]) * 255), std::round(unit(v[1]) * 255),
                    std::round(unit(v[2]) * 255)};
        case EffectParameterKind::Popup: {
            const double entry = std::isfinite(v[0]) ? std::round(v[0]) : 0;
            return {std::clamp(entry, 0.0, static_cast<double>(std::max(p.choiceCount - 1, 0))) +
                    1};
        }
        case EffectParameterKind::Point: {
            // The Y slot follows the X slot.
            const auto& y = values_[static_cast<std::size_t>(index) + 1];
            const auto finite = [](double x) { return std::isfinite(x) ? x : 0.5; };
            return {finite(v[0]) * width_, finite(y[0]) * height_};
        }
        case EffectParameterKind::Layer:
            break;
    }
    return {};
}

void PluginInstance::applyParameters(SimulatedHost& host) {
    for (int i = 0; i < table_.count(); ++i) {
        const ParameterSlot& slot = table_.at(i);
        if (slot.effect == nullptr || slot.component != 0)
            continue;
        host.setParam(id_, slot.effect->hostIndex, effectValue(slot, i));
    }
}

void PluginInstance::render(SimulatedHost& host, double time, const std::uint32_t* input,
                            const std::uint32_t* layer, std::uint32_t* output) {
    if (id_ == 0) {
        Composition composition;
        composition.width = width_;
        composition.height = height_;
        host.setComposition(composition);
        CommandResult added;
        const InstanceId id = host.addInstance(&added);
        SharedEngine::instance().instanceAdded();
        id_ = id;
        if (added.error != PF_Err_NONE)
            throw std::runtime_error("sequence set-up failed with error " +
                                     std::to_string(added.error));
    }
    applyParameters(host);
    const PluginDescription& description = kPluginDescription;
    for (int i = 0; i < description.parameterCount; ++i) {
        const EffectParameter& p = description.parameters[i];
        if (p.kind == EffectParameterKind::Layer && description.mixer) {
            host.setLayer(
                id_, p.hostIndex,
                layer ? std::make_shared<HostWorld>(RgbaFrames::toWorld(layer, width_, height_))
                      : nullptr);
            break;  // the first layer parameter takes the second input
        }
    }
    const FrameResult result = host.renderFrame(id_, RgbaFrames::toWorld(input, width_, height_),
                                                clock_.frameTime(time, frames_++));
    if (result.error != PF_Err_NONE)
        throw std::runtime_error("the frame failed with error " + std::to_string(result.error) +
                                 (result.message.empty() ? "" : ": " + result.message));
    const bool fit = values_[static_cast<std::size_t>(table_.fitSlot())][0] >= 0.5;
    RgbaFrames::fromWorld(result.output, result.origin, fit, output, width_, height_);
}

void PluginInstance::update(double time, const std::uint32_t* input, const std::uint32_t* layer,
                            std::uint32_t* output) {
    if (input == nullptr || output == nullptr)
        return;
    SharedEngine& engine = SharedEngine::instance();
    auto lock = engine.lock();
    try {
        render(engine.host(), time, input, layer, output);
    } catch (const std::exception& error) {
        std::cerr << kPluginDescription.name << ": " << error.what() << "\n";
        std::memmove(output, input, static_cast<std::size_t>(width_) * height_ * 4);
    }
}
