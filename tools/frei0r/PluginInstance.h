#pragma once
// One frei0r instance: the effect applied to frames of one size. Its frei0r
// parameter values are kept here and handed to the engine's instance with
// each frame, in the effect's units; the engine's instance is made at the
// first frame.

#include <array>
#include <cstdint>
#include <vector>

#include "HostClock.h"
#include "ParameterTable.h"
#include "SimulatedHost.h"

class PluginInstance {
public:
    PluginInstance(unsigned width, unsigned height);
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // frei0r's value of a parameter (a double, a bool as a double, or a
    // colour of three floats), as f0r_param_t points at it.
    void setValue(int index, const void* value);
    void getValue(int index, void* value) const;

    // Renders one frame; `layer` is a mixer's second input (null for a
    // filter). A frame the effect fails is passed through unchanged.
    void update(double time, const std::uint32_t* input, const std::uint32_t* layer,
                std::uint32_t* output);

private:
    void applyParameters(SimulatedHost& host);
    std::vector<double> effectValue(const ParameterSlot& slot, int index) const;
    void render(SimulatedHost& host, double time, const std::uint32_t* input,
                const std::uint32_t* layer, std::uint32_t* output);

    const ParameterTable& table_;
    const A_long width_;
    const A_long height_;
    const HostClock clock_;
    std::vector<std::array<double, 3>> values_;
    long frames_ = 0;
    InstanceId id_ = 0;
};
