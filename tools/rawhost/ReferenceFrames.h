#pragma once
// The frames our simulated host (tools/hostlib) renders with a module, which
// the raw host's frames must equal byte for byte. Only plain bytes cross this
// interface: the raw host shares no declaration of the host's structures with
// the simulated host.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ReferenceRequest {
    bool classic = false;
    int depth = 8;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> input;  // rows packed, top first, the host's pixels at `depth`
};

struct ReferenceFrame {
    std::int32_t error = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // rows packed, top first
};

// Renders each request at time value / scale (step `step`) in one instance of
// the module at `path`, in After Effects or Premiere Pro, after the user set
// the float sliders of `settings` (by the names the host shows).
std::vector<ReferenceFrame> renderReferences(
    const std::string& path, bool premiere, std::int32_t value, std::int32_t step,
    std::uint32_t scale, const std::vector<std::pair<std::string, double>>& settings,
    const std::vector<ReferenceRequest>& requests);
