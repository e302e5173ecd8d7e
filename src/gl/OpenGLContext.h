#pragma once
// The one OpenGL rendering context of the engine. It belongs to a hidden,
// never-shown window made by the engine, because the host gives the effect no
// context of its own. The owner creates `mutex` (unnamed, not initially owned)
// before create(); the mutex serialises all GL use (see GLContextLock.h).
#include <cstdint>

#include "platform/Win32.h"

class OpenGLContext {
public:
    OpenGLContext() = default;
    // Closes the mutex only: the window and the GL objects go in destroy().
    virtual ~OpenGLContext();
    OpenGLContext(const OpenGLContext&) = delete;
    OpenGLContext& operator=(const OpenGLContext&) = delete;

    // Registers a window class with fresh random names, creates the hidden
    // window, its pixel format and rendering context, and leaves the context
    // current on the calling thread (without taking the mutex). Returns 0;
    // throws OpenGLFault(1) when the class or the window cannot be made.
    std::int32_t create();
    // Deletes the rendering context, then gives back the device context, the
    // window and the class. Returns 0; throws OpenGLFault(2), leaving the
    // context in place, when it cannot be deleted. Repeating it is harmless.
    std::int32_t destroy();
    // 0 when the context became current on the calling thread, 7 otherwise.
    // What the thread had current before is kept for releaseCurrent().
    std::int32_t makeCurrent();
    // Waits without time-out for the mutex; true when the thread owns it.
    bool waitLock();
    // Detaches the context from the calling thread and makes current again
    // the context the thread had before create() or makeCurrent() made this
    // one current (a host's own), or none; a failure is ignored.
    void releaseCurrent();

    win32::HANDLE mutex = nullptr;
    win32::HWND window = nullptr;
    win32::HDC deviceContext = nullptr;
    win32::HGLRC renderingContext = nullptr;
    wchar_t className[32] = {};
    wchar_t windowName[32] = {};
};
