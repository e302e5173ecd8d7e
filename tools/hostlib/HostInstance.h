#pragma once
// One application of the effect to a layer, as the host keeps it: the
// effect's sequence data, the parameter values the user set, what the
// effect's controls show, and the composition the layer lies in.

#include <cstdint>
#include <string>
#include <vector>

#include "HostInterface.h"
#include "ParameterStream.h"
#include "PublishedParameters.h"

class RenderDriver;

using InstanceId = int;

// The composition (in Premiere Pro the sequence) that holds the layer, as
// the host's composition queries report it.
struct Composition {
    A_long width = 1920;
    A_long height = 1080;
    A_Ratio pixelAspect{1, 1};
};

// What the user sees of one parameter in the effect's controls.
struct ParamUI {
    std::string name;
    PF_ParamUIFlags uiFlags = 0;
    bool disabled() const { return (uiFlags & PF_PUI_DISABLED) != 0; }
};

struct HostInstance {
    HostInstance(InstanceId id, const PublishedParameters& parameters,
                 const Composition& composition);
    HostInstance(const HostInstance&) = delete;
    HostInstance& operator=(const HostInstance&) = delete;

    const InstanceId id;
    Composition composition;
    PF_Handle sequenceData = nullptr;
    // The sequence data is in its flat form; it is set up again before the
    // instance's next command, as the applications do after saving.
    bool flattened = false;
    // The flat sequence data of the last save, as the project file keeps it.
    std::vector<std::uint8_t> saved;
    // By host index; index 0 is the input layer.
    std::vector<ParameterStream> streams;
    std::vector<ParamUI> ui;
    // The layer's full-resolution size: the composition's until a frame is rendered.
    A_long layerWidth;
    A_long layerHeight;
    // The command being sent about this instance (-1 between commands), and
    // the frame it renders while renderFrame() runs: the callbacks find them
    // through the instance the effect names, so that instances rendering on
    // different threads never see each other's frame.
    PF_Cmd command = -1;
    RenderDriver* frame = nullptr;
    // Their addresses are the opaque layer, composition and item handles that
    // the composition queries hand out for this instance.
    const char layerTag = 0;
    const char compTag = 0;
    const char itemTag = 0;
};
