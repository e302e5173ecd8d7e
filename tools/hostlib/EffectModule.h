#pragma once
// An effect module as a host sees it: its property list, read from the file
// without running any of its code, and its entry point once loaded.

#include <memory>
#include <stdexcept>
#include <string>

#include "HostInterface.h"
#include "Pipl.h"

class ModuleLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the property list of a module file; throws ModuleLoadError when the
// file cannot be read or carries no property list.
PiplProperties readModulePipl(const std::string& path);

class EffectModule {
public:
    enum PropertyList { WithPropertyList, WithoutPropertyList };

    // Reads the property list, loads the module and finds the entry point it
    // names; throws ModuleLoadError on any failure. The bare engine module
    // carries no property list: loaded WithoutPropertyList, its entry point is
    // found under the engine's own name.
    explicit EffectModule(const std::string& path, PropertyList list = WithPropertyList);
    // Reads the property list and loads the module for its instance handle,
    // through which the engine finds the module's resources, but sends every
    // command to `entry` instead of the module's own entry point. A module
    // keeps its engine to itself; a tool that links the engine runs the
    // module's package through its own copy this way, where it can see what
    // the engine does not report to a host. The bare engine module is loaded
    // WithoutPropertyList. Throws ModuleLoadError.
    EffectModule(const std::string& path, PF_FilterProc entry,
                 PropertyList list = WithPropertyList);
    ~EffectModule();
    EffectModule(const EffectModule&) = delete;
    EffectModule& operator=(const EffectModule&) = delete;

    const std::string& path() const { return path_; }
    const PiplProperties& pipl() const { return pipl_; }
    // The module's instance handle, as the host hands it to the module.
    void* instanceHandle() const { return handle_; }

    PF_Err call(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                PF_LayerDef* output, void* extra) const {
        return entry_(cmd, in_data, out_data, params, output, extra);
    }

private:
    void load(const std::string& path);

    std::string path_;
    PiplProperties pipl_;
    void* handle_ = nullptr;
    PF_FilterProc entry_ = nullptr;
};
