// Module files on Linux: dlopen, and the resource trailer after the image.
#include "ModuleFiles.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>

namespace ModuleFiles {

void* load(const std::string& path, std::string& error) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        error = dlerror();
    return module;
}

void* symbol(void* module, const std::string& name) {
    return dlsym(module, name.c_str());
}

void unload(void* module) {
    dlclose(module);
}

bool isModule(const std::vector<std::uint8_t>& bytes) {
    const bool elf = bytes.size() >= 4 && std::memcmp(bytes.data(),
                                                      "\x7f"
                                                      "ELF",
                                                      4) == 0;
    return elf || !ModuleResources::parse(bytes).resources.empty();
}

std::optional<std::vector<std::uint8_t>> readResource(const std::string& path,
                                                      const ModuleResources::Key& name,
                                                      const ModuleResources::Key& type) {
    const auto bytes = ModuleResources::readFile(path);
    if (!bytes)
        return std::nullopt;
    const ModuleResources::ModuleFile file = ModuleResources::parse(*bytes);
    const ModuleResources::Resource* resource = ModuleResources::find(file, name, type);
    if (!resource)
        return std::nullopt;
    return resource->data;
}

// Like updating a Windows module's resources: the added ones replace any of
// the same name and type, others stay.
std::vector<std::uint8_t> withResources(const std::string&, const std::vector<std::uint8_t>& bytes,
                                        const std::vector<ModuleResources::Resource>& added) {
    ModuleResources::ModuleFile module = ModuleResources::parse(bytes);
    for (const ModuleResources::Resource& resource : added) {
        auto& resources = module.resources;
        resources.erase(std::remove_if(resources.begin(), resources.end(),
                                       [&](const ModuleResources::Resource& r) {
                                           return r.name == resource.name &&
                                                  r.type == resource.type;
                                       }),
                        resources.end());
        resources.push_back(resource);
    }
    return ModuleResources::serialize(module);
}

std::string defaultEngine() {
    return QS_DEFAULT_ENGINE_MODULE;
}

}  // namespace ModuleFiles
