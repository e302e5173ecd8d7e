// A host thread that draws with GL itself has its own context current when
// it calls the effect; the effect renders with its own context and leaves
// the host's current again, as it found it.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <gtest/gtest.h>

#include <string>

#include "EffectModule.h"
#include "SimulatedHost.h"

namespace {

// The host's own context: desktop GL on Mesa's surfaceless display, current
// without a surface.
class HostContext {
public:
    HostContext() {
        const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay == nullptr)
            return;
        display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
            return;
        const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT, EGL_NONE};
        EGLConfig config = nullptr;
        EGLint count = 0;
        if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
            return;
        eglBindAPI(EGL_OPENGL_API);
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    }
    ~HostContext() {
        // The display stays initialised: the engine may share it.
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
    }

    bool makeCurrent() const {
        return context != EGL_NO_CONTEXT &&
               eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
    }
    bool isCurrent() const {
        return eglGetCurrentContext() == context && eglGetCurrentDisplay() == display &&
               eglQueryAPI() == EGL_OPENGL_API;
    }

    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
};

std::string glowVignette() {
    return std::string(QS_TEST_BUILD_DIR) + "/modules/GlowVignette.so";
}

TEST(HostGLContextTest, HostThreadKeepsItsContextAcrossSetUpAndFrames) {
    HostContext own;
    ASSERT_TRUE(own.makeCurrent()) << "no surfaceless EGL context";
    EffectModule module(glowVignette());
    SimulatedHost host(module);
    // The engine makes its own context at global set-up.
    ASSERT_EQ(host.globalSetup().error, PF_Err_NONE);
    EXPECT_TRUE(own.isCurrent()) << "after global set-up";
    ASSERT_EQ(host.paramsSetup().error, PF_Err_NONE);
    const InstanceId instance = host.addInstance();
    HostWorld input(32, 24, 8);
    for (int frame = 0; frame < 2; ++frame) {
        const FrameResult result = host.renderFrame(instance, input, FrameTime::ofFrame(frame, 25));
        ASSERT_EQ(result.error, PF_Err_NONE);
        EXPECT_TRUE(own.isCurrent()) << "after frame " << frame;
    }
    host.removeInstance(instance);
    EXPECT_TRUE(own.isCurrent()) << "after the instance's set-down";
}

TEST(HostGLContextTest, ThreadWithoutContextIsLeftWithout) {
    EffectModule module(glowVignette());
    SimulatedHost host(module);
    ASSERT_EQ(host.globalSetup().error, PF_Err_NONE);
    ASSERT_EQ(host.paramsSetup().error, PF_Err_NONE);
    const InstanceId instance = host.addInstance();
    ASSERT_EQ(host.renderFrame(instance, HostWorld(32, 24, 8), FrameTime{}).error, PF_Err_NONE);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
}

}  // namespace
