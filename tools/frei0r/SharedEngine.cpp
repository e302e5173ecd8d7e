#include "SharedEngine.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "PluginDescription.h"
#include "host/CommandDispatch.h"

namespace {

// The engine linked into this plugin, called as the module's entry point.
PF_Err engineEntry(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                   PF_LayerDef* output, void* extra) {
    return dispatchCommand(engineCommands(), cmd, in_data, out_data, params, output, extra);
}

// The file this plugin was loaded from: the engine finds its package there.
std::string pluginPath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&engineEntry), &info) == 0 || !info.dli_fname)
        throw std::runtime_error("the plugin cannot find its own file");
    return info.dli_fname;
}

void require(const CommandResult& result, const char* step) {
    if (result.error != PF_Err_NONE)
        throw std::runtime_error(std::string(kPluginDescription.name) + ": " + step +
                                 " failed with error " + std::to_string(result.error));
}

}  // namespace

SharedEngine& SharedEngine::instance() {
    // Never destroyed: a host may still call in while the process exits.
    static SharedEngine* engine = new SharedEngine();
    return *engine;
}

void SharedEngine::init() {
    std::lock_guard<std::mutex> guard(mutex_);
    ++inits_;
}

void SharedEngine::deinit() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (inits_ > 0)
        --inits_;
    setDownWhenUnused();
}

SimulatedHost& SharedEngine::host() {
    if (host_)
        return *host_;
    auto module = std::make_unique<EffectModule>(pluginPath(), &engineEntry);
    auto host = std::make_unique<SimulatedHost>(*module);
    require(host->globalSetup(), "global set-up");
    require(host->paramsSetup(), "parameter set-up");
    module_ = std::move(module);
    host_ = std::move(host);
    return *host_;
}

void SharedEngine::instanceRemoved() {
    if (instances_ > 0)
        --instances_;
    setDownWhenUnused();
}

void SharedEngine::setDownWhenUnused() {
    if (inits_ > 0 || instances_ > 0)
        return;
    host_.reset();
    module_.reset();
}
