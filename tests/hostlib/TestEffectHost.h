#pragma once
// The test effect module loaded by our host, set up and with its parameters
// published, as an application does before anything else.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "SimulatedHost.h"
#include "TestEffectLog.h"

class TestEffectHost {
public:
    explicit TestEffectHost(HostApplication application = HostApplication::AfterEffects)
        : module(QS_TEST_EFFECT, EffectModule::WithoutPropertyList), host(module, application) {
        const auto logFunc =
            reinterpret_cast<TestEffectLogFunc>(dlsym(module.instanceHandle(), "testEffectLog"));
        log = logFunc ? logFunc() : nullptr;
    }

    // Global and parameter set-up; false when either failed.
    bool start() {
        return host.globalSetup().error == PF_Err_NONE && host.paramsSetup().error == PF_Err_NONE;
    }

    EffectModule module;
    SimulatedHost host;
    TestEffectLog* log = nullptr;
};

// A picture where every pixel tells its position: red = x, green = y.
inline HostWorld positions(A_long width, A_long height, int depth = 8) {
    HostWorld image(width, height, 8);
    for (A_long y = 0; y < height; ++y)
        for (A_long x = 0; x < width; ++x)
            static_cast<PF_Pixel8*>(image.row(y))[x] = PF_Pixel8{255, A_u_char(x), A_u_char(y), 9};
    return depth == 8 ? image : image.converted(depth);
}
