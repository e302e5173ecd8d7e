#pragma once
// The pictures of layer parameters through a render: an image is the layer in
// every frame; a sequence or a video is read along with the main input, its
// frame with the same number at the same rate (a video layer is read at the
// render's rate), moved by an offset the user gives.

#include <memory>
#include <string>
#include <vector>

#include "FrameInput.h"
#include "SimulatedHost.h"

class LayerInputs {
public:
    struct Source {
        PF_ParamIndex parameter = 0;
        std::string name;
        std::string path;
        // The layer's frame for render frame N is N + offset.
        long offset = 0;
    };

    // Opens every source; throws std::runtime_error for one that cannot be
    // read, naming the layer.
    LayerInputs(const std::vector<Source>& sources, FrameRate rate);

    // Gives the host each layer's picture for render frame `index`: images
    // the first time only. Throws std::runtime_error, naming the layer, for
    // a frame its sequence or video does not have.
    void setFrame(SimulatedHost& host, InstanceId instance, long index);

private:
    struct Layer {
        Source source;
        std::unique_ptr<FrameInput> input;
        bool set = false;
    };
    std::vector<Layer> layers_;
};
