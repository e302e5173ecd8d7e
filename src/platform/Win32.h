#pragma once
// The Win32 calls the engine makes, behind one interface. On Windows every
// function forwards to the operating system; on Linux the same names are
// implemented with POSIX threads, EGL (surfaceless Mesa with a pbuffer) and
// stdio, keeping Win32 semantics: mutexes are recursive and owned by a thread,
// and releasing one that the caller does not own fails without effect.
//
// Engine code calls these as win32::Name(...), so the calling code reads the
// same on both systems. Win32's constants (FALSE, INFINITE, WAIT_OBJECT_0, ...)
// are macros on Windows: write them unqualified after `using namespace win32;`.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace win32 {

#ifdef _WIN32
using ::ATOM;
using ::BOOL;
using ::BYTE;
using ::DWORD;
using ::HANDLE;
using ::HBRUSH;
using ::HCURSOR;
using ::HDC;
using ::HGDIOBJ;
using ::HGLOBAL;
using ::HGLRC;
using ::HINSTANCE;
using ::HMODULE;
using ::HRSRC;
using ::HWND;
using ::LPARAM;
using ::LPCWSTR;
using ::LRESULT;
using ::PIXELFORMATDESCRIPTOR;
using ::UINT;
using ::WNDCLASSEXW;
using ::WORD;
using ::WPARAM;
using ::WNDPROC;
#else
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using ATOM = WORD;
using LPCWSTR = const wchar_t*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

struct OpaqueHandle;
using HANDLE = OpaqueHandle*;
struct OpaqueModule;
using HMODULE = OpaqueModule*;  // the dlopen handle of a module
using HINSTANCE = HMODULE;
struct OpaqueResource;
using HRSRC = OpaqueResource*;
using HGLOBAL = void*;
struct OpaqueWindow;
using HWND = OpaqueWindow*;
struct OpaqueDeviceContext;
using HDC = OpaqueDeviceContext*;
struct OpaqueRenderingContext;
using HGLRC = OpaqueRenderingContext*;
struct OpaqueGdiObject;
using HGDIOBJ = OpaqueGdiObject*;
using HBRUSH = HGDIOBJ;
using HCURSOR = HGDIOBJ;
using HICON = HGDIOBJ;
using HMENU = void*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;
constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 0x102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

constexpr UINT CS_VREDRAW = 0x1;
constexpr UINT CS_HREDRAW = 0x2;
constexpr int BLACK_BRUSH = 4;
constexpr DWORD PFD_DOUBLEBUFFER = 0x1;
constexpr DWORD PFD_DRAW_TO_WINDOW = 0x4;
constexpr DWORD PFD_SUPPORT_OPENGL = 0x20;
constexpr BYTE PFD_TYPE_RGBA = 0;
constexpr BYTE PFD_MAIN_PLANE = 0;

// Integer resource names and types travel in the pointer, as MAKEINTRESOURCEW does.
inline LPCWSTR MAKEINTRESOURCEW(unsigned id) {
    return reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(LPCWSTR p) { return reinterpret_cast<std::uintptr_t>(p) < 0x10000; }
inline const LPCWSTR RT_RCDATA = MAKEINTRESOURCEW(10);
inline const LPCWSTR IDC_ARROW = MAKEINTRESOURCEW(32512);

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct WNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
    HICON hIconSm;
};

struct PIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
    BYTE cAlphaBits, cAlphaShift;
    BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    BYTE cDepthBits;
    BYTE cStencilBits;
    BYTE cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask;
    DWORD dwVisibleMask;
    DWORD dwDamageMask;
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "PIXELFORMATDESCRIPTOR is 40 bytes");
#endif

// Mutexes.
HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL ReleaseMutex(HANDLE mutex);
BOOL CloseHandle(HANDLE handle);

// Module resources.
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
DWORD SizeofResource(HMODULE module, HRSRC resource);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL data);

// The hidden window, its device context and the WGL rendering context.
LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);
HGDIOBJ GetStockObject(int object);
ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, void* menu, HINSTANCE instance,
                     void* param);
BOOL DestroyWindow(HWND window);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC deviceContext);
int ChoosePixelFormat(HDC deviceContext, const PIXELFORMATDESCRIPTOR* descriptor);
BOOL SetPixelFormat(HDC deviceContext, int format, const PIXELFORMATDESCRIPTOR* descriptor);
HGLRC wglCreateContext(HDC deviceContext);
BOOL wglMakeCurrent(HDC deviceContext, HGLRC renderingContext);
BOOL wglDeleteContext(HGLRC renderingContext);
BOOL SwapBuffers(HDC deviceContext);

// Time, paths and files.
DWORD GetTickCount();
char* PathFindFileNameA(const char* path);
int _wfopen_s(std::FILE** file, const wchar_t* path, const wchar_t* mode);

}  // namespace win32
