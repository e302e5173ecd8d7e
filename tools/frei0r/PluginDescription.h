#pragma once
// What a frei0r plugin tells its host without starting the engine: the
// effect's name and its parameters in declaration order. The build writes one
// description per plugin from the effect's parameter listing (see
// WritePluginDescription.cmake), since hosts ask for it at every start.

enum class EffectParameterKind { Slider, Angle, Checkbox, Colour, Point, Popup, Layer };

struct EffectParameter {
    const char* name;
    // The parameter's host index; index 0 is the input layer.
    int hostIndex;
    EffectParameterKind kind;
    // A slider's range, which the frei0r value 0..1 spans.
    double minimum;
    double maximum;
    // In the effect's units: a slider's value, degrees, 0 or 1, colour
    // channels 0..255, a point's percentages of the frame, a pop-up entry
    // counted from 1.
    double defaults[3];
    int choiceCount;
    // The frei0r explanation: the range and unit, or the choices.
    const char* explanation;
};

struct PluginDescription {
    const char* name;
    const char* explanation;
    // A mixer2 plugin: the second input is the effect's first layer parameter.
    bool mixer;
    const EffectParameter* parameters;
    int parameterCount;
    int majorVersion;
    int minorVersion;
};

// The description of the plugin being built.
extern const PluginDescription kPluginDescription;
