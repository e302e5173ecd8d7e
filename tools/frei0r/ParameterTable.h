#pragma once
// The frei0r parameters of a plugin, built from its description: one per
// effect parameter in declaration order, a point as two (X, then Y), layers
// left out (a mixer's second input), and the adapter's own parameters last.
// The order is a public interface: ffmpeg sets parameters by position.

#include <string>
#include <vector>

#include "PluginDescription.h"

struct ParameterSlot {
    std::string name;
    std::string explanation;
    int frei0rType;
    // The effect parameter it sets; null for the adapter's own.
    const EffectParameter* effect;
    // Of a point: 0 for X, 1 for Y.
    int component;
    // frei0r's value before the host sets one: up to three numbers (a colour's
    // red, green and blue in 0..1).
    double initial[3];
};

class ParameterTable {
public:
    explicit ParameterTable(const PluginDescription& description);

    static const ParameterTable& ofPlugin();

    int count() const { return static_cast<int>(slots_.size()); }
    const ParameterSlot& at(int index) const { return slots_.at(static_cast<std::size_t>(index)); }
    // The adapter's own parameter: a larger output (a border) scaled to fit
    // the frame rather than cropped to it.
    int fitSlot() const { return count() - 1; }

private:
    std::vector<ParameterSlot> slots_;
};
