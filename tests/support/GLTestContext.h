#pragma once
// A real GL context for tests: the engine's OpenGLContext on Mesa (EGL
// surfaceless, llvmpipe), created, registered for the lock protocol, current
// on the constructing thread and with GLEW's entry points loaded. The mutex is
// not held, as after global set-up; tests that exercise the lock take it.
//
//     class TextureTest : public ::testing::Test {
//     protected:
//         GLTestContext gl;
//     };
#include <gtest/gtest.h>

#include <future>

#include "gl/GLContextLock.h"
#include "gl/GlewLoader.h"
#include "gl/OpenGLContext.h"
#include "gl/OpenGLFault.h"

class GLTestContext {
public:
    GLTestContext() {
        context_.mutex = win32::CreateMutexW(nullptr, 0, nullptr);
        try {
            context_.create();
        } catch (const OpenGLFault& fault) {
            ADD_FAILURE() << "OpenGLContext::create() threw OpenGLFault " << fault.code;
            return;
        }
        registerGLContext(&context_);
        if (!initialiseGlew())
            ADD_FAILURE() << "GLEW could not load the GL entry points";
    }

    ~GLTestContext() {
        registerGLContext(nullptr);
        try {
            context_.destroy();
        } catch (const OpenGLFault& fault) {
            ADD_FAILURE() << "OpenGLContext::destroy() threw OpenGLFault " << fault.code;
        }
    }

    GLTestContext(const GLTestContext&) = delete;
    GLTestContext& operator=(const GLTestContext&) = delete;

    OpenGLContext& context() { return context_; }

    // Whether another thread could take the context's mutex now: false while
    // any hold, by whichever thread, has not been given back.
    bool mutexFree() {
        win32::HANDLE mutex = context_.mutex;
        return std::async(std::launch::async,
                          [mutex] {
                              const bool taken =
                                  win32::WaitForSingleObject(mutex, 0) == win32::WAIT_OBJECT_0;
                              if (taken)
                                  win32::ReleaseMutex(mutex);
                              return taken;
                          })
            .get();
    }

private:
    OpenGLContext context_;
};
