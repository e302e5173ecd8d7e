#pragma once
// The fx.js of a ported effect: a control for every tunable uniform, the
// size, time and mouse values the source host supplied, and the textures
// wired to the input and to layer controls.
//
// The passes run in order; each but the last renders into a target of the
// output's size, which the next pass reads as its input, and the last into
// the output. Shaders that count rows upwards (see PortedShader.h) read the
// input and layers through copies turned the right way up for them (the
// `upright` shader, rendered with flip true); what they draw needs no turning,
// since the output is read back bottom row first. Each control is shared by
// every pass that has a uniform of its name.

#include <string>
#include <vector>

#include "PortedShader.h"

struct PortPass {
    std::string shaderName;  // the .frag file without its extension
    PortedShader shader;
};

// The shader that turns the input or a layer upright, as upright.frag.
extern const char kUprightShader[];

// The script's text; `source` names the ported files for its first comment.
std::string effectScript(const std::vector<PortPass>& passes, const std::string& source);
// Whether the script uses the upright shader.
bool needsUprightShader(const std::vector<PortPass>& passes);
