// Module resources on Linux. A module handle is the dlopen handle of a module;
// its resources are the trailer that follows the module's image in its file
// (platform/ModuleResources.h). A found resource is copied into a process-wide
// store, so its memory lives as long as a Windows module's resource does.
#include <dlfcn.h>
#include <link.h>

#include <cwctype>
#include <deque>
#include <mutex>
#include <string>

#include "platform/ModuleResources.h"
#include "platform/Win32.h"

namespace win32 {

struct OpaqueResource {
    HMODULE module;
    ModuleResources::Resource resource;
};

namespace {

// The file a dlopen handle was loaded from; the main program has an empty name.
std::string modulePath(HMODULE module) {
    link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr)
        return {};
    if (map->l_name == nullptr || map->l_name[0] == '\0')
        return "/proc/self/exe";
    return map->l_name;
}

// Win32 compares string names and types ignoring ASCII letter case.
bool matches(LPCWSTR wanted, const ModuleResources::Key& key) {
    if (IS_INTRESOURCE(wanted)) {
        return !key.text &&
               key.id == static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(wanted));
    }
    if (!key.text)
        return false;
    const std::string& text = *key.text;
    std::size_t i = 0;
    for (; wanted[i] != L'\0'; ++i) {
        if (i == text.size() || wanted[i] > 0x7F)
            return false;
        if (std::towupper(wanted[i]) != std::towupper(static_cast<unsigned char>(text[i])))
            return false;
    }
    return i == text.size();
}

// Resources handed out so far; a deque keeps their addresses fixed.
std::mutex storeMutex;
std::deque<OpaqueResource>& store() {
    static std::deque<OpaqueResource> resources;
    return resources;
}

// Reuses an earlier copy of the same resource, so repeated look-ups do not grow the store.
HRSRC keep(HMODULE module, ModuleResources::Resource resource) {
    std::lock_guard<std::mutex> lock(storeMutex);
    for (OpaqueResource& kept : store()) {
        if (kept.module == module && kept.resource.name == resource.name &&
            kept.resource.type == resource.type && kept.resource.data == resource.data) {
            return &kept;
        }
    }
    store().push_back(OpaqueResource{module, std::move(resource)});
    return &store().back();
}

}  // namespace

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    if (module == nullptr || name == nullptr || type == nullptr)
        return nullptr;
    const std::string path = modulePath(module);
    if (path.empty())
        return nullptr;
    const auto bytes = ModuleResources::readFile(path);
    if (!bytes)
        return nullptr;
    ModuleResources::ModuleFile file = ModuleResources::parse(*bytes);
    for (ModuleResources::Resource& resource : file.resources) {
        if (matches(name, resource.name) && matches(type, resource.type)) {
            return keep(module, std::move(resource));
        }
    }
    return nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource ? static_cast<DWORD>(resource->resource.data.size()) : 0;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    return resource;
}

void* LockResource(HGLOBAL data) {
    if (data == nullptr)
        return nullptr;
    return static_cast<OpaqueResource*>(data)->resource.data.data();
}

}  // namespace win32
