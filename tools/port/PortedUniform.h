#pragma once
// A uniform of a ported shader, with what the effect script gives it.

#include <string>
#include <vector>

enum class UniformRole {
    Size,        // the frame's size in pixels (vec2, or vec3 with 1)
    Time,        // QS_getTime()
    TimeDelta,   // one frame at the frame rate control's rate
    Frame,       // the frame number at that rate
    FrameRate,   // the rate itself
    Mouse,       // from a point control, in pixels or from 0 to 1
    Date,        // year, month, day stay 0; seconds are the time
    SampleRate,  // 44100
    Channel,     // a texture: the pass's input or a layer control
    Tunable,     // a control of its own, of the type's kind
    Unset,       // a type the engine cannot set: keeps 0
};

struct PortedUniform {
    std::string name;
    std::string type;
    UniformRole role = UniformRole::Unset;
    // Mouse: from 0 to 1 rather than in pixels.
    bool normalised = false;
    // Channel: 0 for the pass's input, 1 to 3 for layer controls.
    int channel = 0;
    // The numbers of the declaration's initializer, if any.
    std::vector<double> initial;
    int line = 0;
};

// A point of the source that could not be brought over as it was.
struct PortNote {
    int line = 0;
    std::string text;
};
