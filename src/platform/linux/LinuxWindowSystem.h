#pragma once
// What the Linux stand-ins for windows, device contexts and WGL share. A
// window is never shown: it is a size and, once its pixel format is set, an
// EGL pbuffer of that size on the rendering display (a GPU's EGL device or
// Mesa's surfaceless platform). Like a window of a
// CS_OWNDC class it has one device context, which GetDC hands out.
#include <EGL/egl.h>

#include <mutex>
#include <string>

#include "platform/Win32.h"

namespace win32 {

struct OpaqueDeviceContext {
    HWND window;
};

struct OpaqueWindow {
    std::wstring className;
    int width = 0;
    int height = 0;
    OpaqueDeviceContext deviceContext{this};
    // Set once by SetPixelFormat, as a window's pixel format is.
    EGLConfig config = nullptr;
    EGLSurface surface = EGL_NO_SURFACE;
};

namespace detail {

// Serialises every stand-in that reads or changes windows, classes or
// rendering contexts.
std::mutex& windowSystemMutex();

// The process-wide display that renders, initialised on first use and kept
// until the process ends: the EGL device QUILLSHADE_GL_DEVICE chooses
// (EglDeviceChoice.h), else Mesa's surfaceless platform; EGL_NO_DISPLAY when
// EGL can provide neither.
EGLDisplay renderingDisplay();

}  // namespace detail
}  // namespace win32
