#pragma once
// Win32 takes paths as UTF-16; the tools pass them as the narrow strings of
// their command line, in the system's code page, which std::filesystem converts.
#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>

inline std::wstring widePath(const std::string& path) {
    return std::filesystem::path(path).wstring();
}

inline std::string lastErrorText() {
    return std::system_category().message(static_cast<int>(::GetLastError()));
}
