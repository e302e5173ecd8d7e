// Window classes, hidden windows and their device contexts on Linux, plus the
// small user-interface and time calls the engine makes. Classes are kept by
// name; a class cannot be registered twice, nor unregistered while windows of
// it exist, as on Windows.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/EglDeviceChoice.h"
#include "platform/linux/LinuxWindowSystem.h"
#include "platform/ProcessLifetime.h"

namespace win32 {

struct OpaqueGdiObject {
    int id;
};

namespace {

struct WindowClass {
    ATOM atom;
    int windows;
};

// Guarded by windowSystemMutex().
std::map<std::wstring, WindowClass>& windowClasses() {
    static std::map<std::wstring, WindowClass> classes;
    return classes;
}

// Atoms only mark a successful registration here: windows are created by
// class name, so atoms cycle through the range Windows uses for classes.
ATOM nextAtom() {
    static unsigned counter = 0;
    return static_cast<ATOM>(0xC000 + counter++ % 0x4000);
}

// Stock objects 0 to 19 exist on Windows, except 9.
constexpr int kStockObjects = 20;
constexpr int kNoStockObject = 9;

// The device QUILLSHADE_GL_DEVICE asks for among those EGL enumerates, or
// none for the surfaceless platform.
EGLDeviceEXT chosenDevice() {
    const auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    const auto queryString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
        eglGetProcAddress("eglQueryDeviceStringEXT"));
    std::array<EGLDeviceEXT, 16> devices{};
    EGLint count = 0;
    if (queryDevices == nullptr || queryString == nullptr ||
        !queryDevices(static_cast<EGLint>(devices.size()), devices.data(), &count))
        return EGL_NO_DEVICE_EXT;
    const auto text = [queryString](EGLDeviceEXT device, EGLint name) {
        const char* value = queryString(device, name);
        return std::string(value != nullptr ? value : "");
    };
    std::vector<detail::EglDeviceDescription> descriptions;
    for (EGLint i = 0; i < count; ++i) {
        const std::string extensions = " " + text(devices[i], EGL_EXTENSIONS) + " ";
        const bool drm = extensions.find(" EGL_EXT_device_drm ") != std::string::npos;
        const bool renderNode =
            extensions.find(" EGL_EXT_device_drm_render_node ") != std::string::npos;
        descriptions.push_back(
            {extensions.find(" EGL_MESA_device_software ") != std::string::npos,
             drm ? text(devices[i], EGL_DRM_DEVICE_FILE_EXT) : std::string(),
             renderNode ? text(devices[i], EGL_DRM_RENDER_NODE_FILE_EXT) : std::string()});
    }
    const int chosen =
        detail::chooseEglDevice(descriptions, std::getenv(detail::kGlDeviceVariable));
    return chosen < 0 ? EGL_NO_DEVICE_EXT : devices[chosen];
}

}  // namespace

namespace detail {

std::mutex& windowSystemMutex() {
    static std::mutex mutex;
    return mutex;
}

EGLDisplay renderingDisplay() {
    static const EGLDisplay display = [] {
        const auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (getPlatformDisplay == nullptr)
            return EGL_NO_DISPLAY;
        const EGLDeviceEXT device = chosenDevice();
        if (device != EGL_NO_DEVICE_EXT) {
            const EGLDisplay candidate =
                getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
            if (candidate != EGL_NO_DISPLAY && eglInitialize(candidate, nullptr, nullptr))
                return candidate;
        }
        const EGLDisplay candidate =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (candidate == EGL_NO_DISPLAY || !eglInitialize(candidate, nullptr, nullptr))
            return EGL_NO_DISPLAY;
        return candidate;
    }();
    return display;
}

}  // namespace detail

LRESULT DefWindowProcW(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    // Only the system cursors exist: no instance, an integer name.
    static OpaqueGdiObject systemCursor{0};
    if (instance != nullptr || !IS_INTRESOURCE(name))
        return nullptr;
    return &systemCursor;
}

HGDIOBJ GetStockObject(int object) {
    static std::array<OpaqueGdiObject, kStockObjects> stockObjects = [] {
        std::array<OpaqueGdiObject, kStockObjects> objects{};
        for (int i = 0; i < kStockObjects; ++i) objects[i].id = i;
        return objects;
    }();
    if (object < 0 || object >= kStockObjects || object == kNoStockObject)
        return nullptr;
    return &stockObjects[object];
}

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
    if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXW) ||
        windowClass->lpszClassName == nullptr || IS_INTRESOURCE(windowClass->lpszClassName))
        return 0;
    std::lock_guard<std::mutex> lock(detail::windowSystemMutex());
    const ATOM atom = nextAtom();
    const bool added =
        windowClasses().emplace(windowClass->lpszClassName, WindowClass{atom, 0}).second;
    return added ? atom : 0;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (className == nullptr || IS_INTRESOURCE(className))
        return FALSE;
    std::lock_guard<std::mutex> lock(detail::windowSystemMutex());
    const auto found = windowClasses().find(className);
    if (found == windowClasses().end() || found->second.windows > 0)
        return FALSE;
    windowClasses().erase(found);
    return TRUE;
}

HWND CreateWindowExW(DWORD, LPCWSTR className, LPCWSTR, DWORD, int, int, int width, int height,
                     HWND, void*, HINSTANCE, void*) {
    if (className == nullptr || IS_INTRESOURCE(className))
        return nullptr;
    std::lock_guard<std::mutex> lock(detail::windowSystemMutex());
    const auto found = windowClasses().find(className);
    if (found == windowClasses().end())
        return nullptr;
    ++found->second.windows;
    auto* window = new OpaqueWindow();
    keptForProcess(window);
    window->className = className;
    window->width = width > 0 ? width : 0;
    window->height = height > 0 ? height : 0;
    return window;
}

BOOL DestroyWindow(HWND window) {
    if (window == nullptr)
        return FALSE;
    std::lock_guard<std::mutex> lock(detail::windowSystemMutex());
    if (window->surface != EGL_NO_SURFACE)
        eglDestroySurface(detail::renderingDisplay(), window->surface);
    const auto found = windowClasses().find(window->className);
    if (found != windowClasses().end())
        --found->second.windows;
    delete window;
    return TRUE;
}

HDC GetDC(HWND window) {
    // There is no screen to draw on, and no window can be drawn into without EGL.
    if (window == nullptr || detail::renderingDisplay() == EGL_NO_DISPLAY)
        return nullptr;
    return &window->deviceContext;
}

int ReleaseDC(HWND window, HDC deviceContext) {
    // A window's own device context stays with the window.
    return window != nullptr && deviceContext == &window->deviceContext ? 1 : 0;
}

DWORD GetTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace win32
