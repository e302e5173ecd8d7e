#pragma once
// Holds the result of acquiring the registered GL context and, if it was
// acquired, releases it when the scope ends, so that an exception thrown while
// the context is held still gives it back. On the normal path callers release
// explicitly with release(), after which the guard does nothing more:
//
//     GLContextGuard guard(lockGLContext());
//     ... GL work ...
//     guard.release();
#include "gl/GLContextLock.h"

class GLContextGuard {
public:
    explicit GLContextGuard(bool locked) : locked(locked) {}
    ~GLContextGuard() { release(); }
    GLContextGuard(const GLContextGuard&) = delete;
    GLContextGuard& operator=(const GLContextGuard&) = delete;

    bool isLocked() const { return locked; }

    // Performs the release step once, and only for a successful acquisition.
    void release() {
        if (locked) {
            locked = false;
            unlockGLContext();
        }
    }

private:
    bool locked;
};
