#pragma once
// The GL context a thread has current, whoever made it current: the engine
// keeps the calling thread's context before it makes its own current, and
// makes it current again when it lets go of its own (see OpenGLContext).
// With EGL (Linux) it is the display, surfaces, context and bound API; with
// WGL the device and rendering contexts.

#include "platform/Win32.h"

class ThreadGLContext {
public:
    // Nothing current.
    ThreadGLContext() = default;

    // What the calling thread has current now.
    static ThreadGLContext current();

    bool none() const { return context_ == nullptr; }
    // Whether it is the engine's rendering context.
    bool is(win32::HGLRC context) const;
    // Makes it current on the calling thread again; when it is nothing,
    // whatever is current is detached.
    void restore() const;

private:
    void* display_ = nullptr;
    void* draw_ = nullptr;
    void* read_ = nullptr;
    void* context_ = nullptr;
    unsigned api_ = 0;
};
