// Whole-file access with Win32 semantics on Linux.
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/Win32.h"

namespace win32 {

namespace {

// Wide to narrow in the current locale; false when a character has no narrow form.
bool narrow(const wchar_t* wide, std::string& out) {
    const std::size_t length = std::wcstombs(nullptr, wide, 0);
    if (length == static_cast<std::size_t>(-1))
        return false;
    out.assign(length + 1, '\0');
    std::wcstombs(&out[0], wide, length + 1);
    out.resize(length);
    return true;
}

}  // namespace

int _wfopen_s(std::FILE** file, const wchar_t* path, const wchar_t* mode) {
    if (file == nullptr)
        return EINVAL;
    *file = nullptr;
    std::string narrowPath, narrowMode;
    if (path == nullptr || mode == nullptr)
        return EINVAL;
    if (!narrow(path, narrowPath) || !narrow(mode, narrowMode))
        return EILSEQ;
    std::FILE* opened = std::fopen(narrowPath.c_str(), narrowMode.c_str());
    if (opened == nullptr)
        return errno;
    // Windows refuses to open a folder as a file; Linux would open it and
    // report a meaningless size.
    struct stat status;
    if (fstat(fileno(opened), &status) != 0 || S_ISDIR(status.st_mode)) {
        std::fclose(opened);
        return EISDIR;
    }
    *file = opened;
    return 0;
}

// Windows semantics: the component after the last '\\', '/' or ':' that is
// followed by more text; a trailing separator stays part of the last component.
char* PathFindFileNameA(const char* path) {
    if (path == nullptr)
        return nullptr;
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        const bool separator = *p == '\\' || *p == '/' || *p == ':';
        if (separator && p[1] != '\0' && p[1] != '\\' && p[1] != '/')
            name = p + 1;
    }
    return const_cast<char*>(name);
}

}  // namespace win32
