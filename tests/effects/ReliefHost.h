#pragma once
// The bundled ReliefmakerFX module loaded by our host library, set up with its
// parameters published, and the pictures the tests feed it.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host/EngineHost.h"

inline const std::string kReliefModule = QS_TEST_BUILD_DIR "/modules/ReliefmakerFX.so";

class ReliefHost : public HostedModule {
public:
    ReliefHost() : HostedModule(kReliefModule) {}

    CommandResult updateUI() { return host.updateParamsUI(instance); }

    void set(const std::string& name, double value) { host.setParam(instance, name, value); }
    void set(const std::string& name, std::vector<double> value) {
        host.setParam(instance, name, std::move(value));
    }
    // Pop-up entries by their label, as a user picks them.
    void choose(const std::string& name, const std::string& entry) {
        const PF_ParamDef& def = host.parameters().at(host.paramIndex(name));
        std::string names = def.u.pd.u.namesptr;
        int index = 1;
        for (std::size_t start = 0;; ++index) {
            const std::size_t end = names.find('|', start);
            if (names.substr(start, end - start) == entry)
                break;
            ASSERT_NE(end, std::string::npos) << entry << " is not an entry of " << name;
            start = end + 1;
        }
        set(name, index);
    }
    bool disabled(const std::string& name) {
        return host.paramUI(instance, host.paramIndex(name)).disabled();
    }
};

// A small photograph-like picture: a sky gradient, a sun, a dark hill with a
// lit flank and a red barn, at any depth.
inline HostWorld landscape(A_long width, A_long height, int depth) {
    HostWorld image(width, height, 32);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x) {
            const float u = (x + 0.5f) / width, v = (y + 0.5f) / height;
            PF_PixelFloat p{1.0f, 0.35f + 0.4f * v, 0.55f + 0.3f * v, 0.95f};
            const float sun = std::hypot(u - 0.75f, v - 0.25f);
            if (sun < 0.12f)
                p = {1.0f, 1.0f, 0.92f, 0.6f};
            const float hill = 0.6f + 0.15f * std::sin(u * 6.0f);
            if (v > hill)
                p = {1.0f, 0.15f + 0.25f * u, 0.4f + 0.2f * u, 0.12f};
            if (u > 0.2f && u < 0.35f && v > 0.55f && v < 0.75f)
                p = {1.0f, 0.7f, 0.12f, 0.1f};
            image.set(x, y, p);
        }
    return image.converted(depth);
}

// Opaque grey, dark left of column `edge` and bright from it on.
inline HostWorld step(A_long width, A_long height, A_long edge, int depth) {
    HostWorld image(width, height, 32);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x) {
            const float g = x < edge ? 0.25f : 0.75f;
            image.set(x, y, PF_PixelFloat{1.0f, g, g, g});
        }
    return image.converted(depth);
}
