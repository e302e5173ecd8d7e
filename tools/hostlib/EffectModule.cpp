#include "EffectModule.h"

#include <dlfcn.h>

#include "platform/ModuleResources.h"

PiplProperties readModulePipl(const std::string& path) {
    const auto bytes = ModuleResources::readFile(path);
    if (!bytes)
        throw ModuleLoadError("cannot read module " + path);
    const ModuleResources::ModuleFile file = ModuleResources::parse(*bytes);
    const ModuleResources::Resource* resource = ModuleResources::find(
        file, ModuleResources::Key::number(kPiplResourceId), ModuleResources::Key::string("PIPL"));
    if (!resource)
        throw ModuleLoadError(path + " has no property list (not an effect module)");
    const auto pipl = parsePipl(resource->data);
    if (!pipl)
        throw ModuleLoadError(path + " has a damaged property list");
    return *pipl;
}

EffectModule::EffectModule(const std::string& path, PropertyList list) : path_(path) {
    if (list == WithPropertyList) {
        pipl_ = readModulePipl(path);
        if (pipl_.kind != "eFKT") {
            throw ModuleLoadError(path + " is not an effect (kind " + pipl_.kind + ")");
        }
    }
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_)
        throw ModuleLoadError(std::string("cannot load ") + path + ": " + dlerror());
    entry_ = reinterpret_cast<PF_EntryPointFunc>(dlsym(handle_, pipl_.entryPoint.c_str()));
    if (!entry_) {
        dlclose(handle_);
        throw ModuleLoadError(path + " does not export " + pipl_.entryPoint);
    }
}

EffectModule::EffectModule(const std::string& path, PF_EntryPointFunc entry, PropertyList list)
    : path_(path), entry_(entry) {
    if (list == WithPropertyList)
        pipl_ = readModulePipl(path);
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_)
        throw ModuleLoadError(std::string("cannot load ") + path + ": " + dlerror());
}

EffectModule::~EffectModule() {
    dlclose(handle_);
}
