#include "ParameterTable.h"

#include "Frei0rApi.h"

namespace {

ParameterSlot slotFor(const EffectParameter& p) {
    ParameterSlot slot{p.name, p.explanation, F0R_PARAM_DOUBLE, &p, 0, {0, 0, 0}};
    switch (p.kind) {
        case EffectParameterKind::Slider:
            slot.initial[0] =
                p.maximum > p.minimum ? (p.defaults[0] - p.minimum) / (p.maximum - p.minimum) : 0;
            break;
        case EffectParameterKind::Angle:
            slot.initial[0] = p.defaults[0] / 360.0;
            break;
        case EffectParameterKind::Checkbox:
            slot.frei0rType = F0R_PARAM_BOOL;
            slot.initial[0] = p.defaults[0] != 0 ? 1 : 0;
            break;
        case EffectParameterKind::Colour:
            slot.frei0rType = F0R_PARAM_COLOR;
            for (int i = 0; i < 3; ++i) slot.initial[i] = p.defaults[i] / 255.0;
            break;
        case EffectParameterKind::Popup:
            slot.initial[0] = p.defaults[0] - 1;  // frei0r counts entries from 0
            break;
        case EffectParameterKind::Point:
        case EffectParameterKind::Layer:
            break;
    }
    return slot;
}

}  // namespace

ParameterTable::ParameterTable(const PluginDescription& description) {
    for (int i = 0; i < description.parameterCount; ++i) {
        const EffectParameter& p = description.parameters[i];
        if (p.kind == EffectParameterKind::Layer)
            continue;
        if (p.kind != EffectParameterKind::Point) {
            slots_.push_back(slotFor(p));
            continue;
        }
        // MLT passes no frei0r position parameters, so a point is two numbers.
        for (int axis = 0; axis < 2; ++axis) {
            slots_.push_back(ParameterSlot{std::string(p.name) + (axis == 0 ? " X" : " Y"),
                                           p.explanation,
                                           F0R_PARAM_DOUBLE,
                                           &p,
                                           axis,
                                           {p.defaults[axis] / 100.0, 0, 0}});
        }
    }
    slots_.push_back(ParameterSlot{"Fit border",
                                   "Scale an output larger than the frame (a border) to fit it "
                                   "instead of cropping it to the frame",
                                   F0R_PARAM_BOOL,
                                   nullptr,
                                   0,
                                   {0, 0, 0}});
}

const ParameterTable& ParameterTable::ofPlugin() {
    static const ParameterTable table(kPluginDescription);
    return table;
}
