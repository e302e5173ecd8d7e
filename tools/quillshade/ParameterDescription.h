#pragma once
// A parameter as the host published it, in the terms `info` shows: its type,
// name, default, range and choices, read from the definition the effect
// added at parameter set-up.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "HostInterface.h"

struct ParameterDescription {
    PF_ParamIndex index = 0;
    A_long id = 0;
    // The host's type name without its prefix, e.g. "FLOAT_SLIDER".
    std::string type;
    std::string name;
    // The name the effect's script gives it; empty when unknown.
    std::string scriptName;
    PF_ParamFlags flags = 0;
    PF_ParamUIFlags uiFlags = 0;
    // The default in the host's user units: a slider's number, an angle's
    // degrees, a colour's 0..255 channels (red, green, blue, alpha), a
    // point's coordinates (16.16 fixed point read as numbers), a checkbox's
    // 0 or 1, a pop-up's entry number from 1. Empty for types without one.
    std::vector<double> dephault;
    // Float sliders only.
    std::optional<std::pair<double, double>> validRange;
    std::optional<std::pair<double, double>> sliderRange;
    std::optional<int> precision;
    // Pop-ups only: the entries, numbered from 1 by the host.
    std::vector<std::string> choices;

    static ParameterDescription of(PF_ParamIndex index, const PF_ParamDef& def);
};

// "FLOAT_SLIDER", or "TYPE_<n>" for a type the host does not know.
std::string parameterTypeName(PF_ParamType type);
