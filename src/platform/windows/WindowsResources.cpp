// Module resources on Windows: the operating system's own resource section.
#include "platform/Win32.h"

namespace win32 {

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    return ::FindResourceW(module, name, type);
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
    return ::SizeofResource(module, resource);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
    return ::LoadResource(module, resource);
}

void* LockResource(HGLOBAL data) {
    return ::LockResource(data);
}

}  // namespace win32
