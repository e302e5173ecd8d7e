#include "LayerInputs.h"

#include <stdexcept>

LayerInputs::LayerInputs(const std::vector<Source>& sources, FrameRate rate) {
    for (const Source& source : sources) {
        Layer layer{source, nullptr, false};
        try {
            layer.input = FrameInput::open(source.path);
            if (layer.input->rate())
                layer.input->retime(rate);
        } catch (const std::exception& error) {
            throw std::runtime_error("layer " + source.name + ": " + error.what());
        }
        layers_.push_back(std::move(layer));
    }
}

void LayerInputs::setFrame(SimulatedHost& host, InstanceId instance, long index) {
    for (Layer& layer : layers_) {
        const bool moving = layer.input->moving();
        if (layer.set && !moving)
            continue;
        const long frame = moving ? index + layer.source.offset : 0;
        try {
            if (frame < 0)
                throw std::runtime_error("it has no frame " + std::to_string(frame));
            host.setLayer(instance, layer.source.parameter,
                          std::make_shared<const HostWorld>(layer.input->frame(frame)));
        } catch (const std::exception& error) {
            throw std::runtime_error("layer " + layer.source.name + " (" + layer.source.path +
                                     ") at render frame " + std::to_string(index) + ": " +
                                     error.what());
        }
        layer.set = true;
    }
}
