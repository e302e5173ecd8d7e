#include <gtest/gtest.h>

#include <GL/glew.h>
#include <EGL/egl.h>

#include <chrono>
#include <future>
#include <stdexcept>

#include "gl/GLContextGuard.h"
#include "gl/GLContextLock.h"
#include "support/GLTestContext.h"

namespace {

template <class Step>
auto onOtherThread(Step step) {
    return std::async(std::launch::async, step).get();
}

bool currentHere() {
    return eglGetCurrentContext() != EGL_NO_CONTEXT;
}

}  // namespace

TEST(GLContextLock, WithoutAContextNothingIsAcquired) {
    EXPECT_FALSE(lockGLContext());
    unlockGLContext();
    GLContextGuard guard(lockGLContext());
    EXPECT_FALSE(guard.isLocked());
}

TEST(GLContextLock, HoldsNestAndEveryReleaseDetaches) {
    GLTestContext gl;
    ASSERT_TRUE(lockGLContext());
    ASSERT_TRUE(lockGLContext());
    unlockGLContext();
    EXPECT_FALSE(currentHere());
    EXPECT_FALSE(gl.mutexFree());
    unlockGLContext();
    EXPECT_TRUE(gl.mutexFree());

    // Released, the context serves another thread.
    EXPECT_TRUE(onOtherThread([] {
        const bool rendered = lockGLContext() && glGetString(GL_VERSION) != nullptr;
        unlockGLContext();
        return rendered && !currentHere();
    }));
}

TEST(GLContextLock, AcquiringWhileCurrentElsewhereFailsWithoutTouchingTheMutex) {
    GLTestContext gl;
    // Current here since creation, mutex free: the other thread must not take it.
    EXPECT_FALSE(
        onOtherThread([&] { return lockGLContext() || win32::ReleaseMutex(gl.context().mutex); }));
    // Held here: the other thread must not wait for the mutex.
    ASSERT_TRUE(lockGLContext());
    auto attempt = std::async(std::launch::async, [] { return lockGLContext(); });
    EXPECT_EQ(attempt.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    unlockGLContext();
    EXPECT_FALSE(attempt.get());
}

TEST(GLContextGuard, GivesTheContextBackOnceOnEveryExit) {
    GLTestContext gl;
    try {
        GLContextGuard guard(lockGLContext());
        ASSERT_TRUE(guard.isLocked());
        throw std::runtime_error("failure while holding the context");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(gl.mutexFree());
    EXPECT_FALSE(currentHere());

    // After an explicit release the guard must not release again, or it
    // would give back the outer hold as well.
    ASSERT_TRUE(lockGLContext());
    {
        GLContextGuard guard(lockGLContext());
        guard.release();
    }
    EXPECT_FALSE(gl.mutexFree());
    unlockGLContext();
}
