// Paths and files on Windows: the shell's path helper and the runtime's wide fopen.
#include "platform/Win32.h"

// After windows.h, which it builds on.
#include <shlwapi.h>

#ifdef _MSC_VER
#pragma comment(lib, "shlwapi.lib")
#endif

namespace win32 {

char* PathFindFileNameA(const char* path) {
    return ::PathFindFileNameA(path);
}

int _wfopen_s(std::FILE** file, const wchar_t* path, const wchar_t* mode) {
    return ::_wfopen_s(file, path, mode);
}

}  // namespace win32
