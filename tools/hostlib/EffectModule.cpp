#include "EffectModule.h"

#include "ModuleFiles.h"

PiplProperties readModulePipl(const std::string& path) {
    if (!ModuleResources::readFile(path))
        throw ModuleLoadError("cannot read module " + path);
    const auto resource = ModuleFiles::readResource(
        path, ModuleResources::Key::number(kPiplResourceId), ModuleResources::Key::string("PIPL"));
    if (!resource)
        throw ModuleLoadError(path + " has no property list (not an effect module)");
    const auto pipl = parsePipl(*resource);
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
    load(path);
    entry_ = reinterpret_cast<PF_FilterProc>(ModuleFiles::symbol(handle_, pipl_.entryPoint));
    if (!entry_) {
        ModuleFiles::unload(handle_);
        throw ModuleLoadError(path + " does not export " + pipl_.entryPoint);
    }
}

EffectModule::EffectModule(const std::string& path, PF_FilterProc entry, PropertyList list)
    : path_(path), entry_(entry) {
    if (list == WithPropertyList)
        pipl_ = readModulePipl(path);
    load(path);
}

EffectModule::~EffectModule() {
    ModuleFiles::unload(handle_);
}

void EffectModule::load(const std::string& path) {
    std::string error;
    handle_ = ModuleFiles::load(path, error);
    if (!handle_)
        throw ModuleLoadError("cannot load " + path + ": " + error);
}
