#pragma once
// Parameter values as a user writes them on the command line, turned into the
// host's user units for one published parameter.

#include <stdexcept>
#include <string>
#include <vector>

#include "HostInterface.h"

class ValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Keyframe {
    double seconds = 0;
    std::vector<double> value;
};

// One value, or keyframes written V0@T0,V1@T1 (seconds, linear between them).
// Numbers for sliders and angles; r,g,b[,a] in 0..1 or #RRGGBB for colours;
// x,y pixels for points, x,y,z for 3D points; 0/1/true/false for checkboxes;
// an entry number (from 1) or the entry's text for pop-ups. Throws ValueError.
std::vector<Keyframe> parseParameterValue(const PF_ParamDef& def, const std::string& text);

// A slider's values outside its valid range set to the nearest end, as the
// host does with a value typed or keyframed beyond it; what was changed, or
// empty when nothing was.
std::string clampAsHost(const PF_ParamDef& def, std::vector<Keyframe>& keys);
