#include "ModuleLoader.h"

#include <stdexcept>

#include "Signature.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

static_assert(sameShape(Shape<EntryPoint>::text, raw::entry::sig),
              "EntryPoint does not have the shape of the host's entry point");

LoadedModule loadModule(const std::string& path) {
    LoadedModule module;
#ifdef _WIN32
    const int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
    HMODULE handle = LoadLibraryW(wide.c_str());
    if (!handle)
        throw std::runtime_error("cannot load " + path + " (error " +
                                 std::to_string(GetLastError()) + ")");
    module.handle = handle;
    module.entry = reinterpret_cast<EntryPoint>(
        reinterpret_cast<void*>(GetProcAddress(handle, "EntryPointFunc")));
#else
    module.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module.handle)
        throw std::runtime_error("cannot load " + path + ": " + dlerror());
    module.entry = reinterpret_cast<EntryPoint>(dlsym(module.handle, "EntryPointFunc"));
#endif
    if (!module.entry)
        throw std::runtime_error(path + " does not export EntryPointFunc");
    return module;
}
