#pragma once
// A host for effect modules: the structures, callbacks and suites that a
// compositing application hands an effect, with real behaviour, so that the
// tool and the tests drive a module exactly as the applications do.
//
// The host's callbacks are plain function pointers without user data, so one
// SimulatedHost at a time is active in a process; it routes every callback.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "EffectModule.h"
#include "HostHandles.h"
#include "HostInterface.h"

enum class HostApplication { AfterEffects, Premiere };

// The result of one command: the entry point's result and what it wrote.
struct CommandResult {
    PF_Err error = PF_Err_NONE;
    PF_OutData out{};
};

class SimulatedHost {
public:
    explicit SimulatedHost(const EffectModule& module,
                           HostApplication application = HostApplication::AfterEffects);
    ~SimulatedHost();
    SimulatedHost(const SimulatedHost&) = delete;
    SimulatedHost& operator=(const SimulatedHost&) = delete;

    static SimulatedHost& active();

    HostApplication application() const { return application_; }
    void setApiVersion(int major, int minor) { apiMajor_ = major, apiMinor_ = minor; }

    // Fault injection, so that every failure path of an effect can be reached.
    void refuseSuite(const std::string& name) { refusedSuites_.insert(name); }
    void withoutBasicSuite(bool absent) { noBasicSuite_ = absent; }
    void setRegistrationError(A_Err error) { registrationError_ = error; }
    HostHandles& handles() { return handles_; }

    // A fresh in_data for the next command, as the application fills it.
    PF_InData makeInData();

    // Sends one command through the module's entry point.
    CommandResult send(PF_Cmd cmd, PF_InData& in_data, PF_ParamDef* params[] = nullptr,
                       PF_LayerDef* output = nullptr, void* extra = nullptr);
    CommandResult send(PF_Cmd cmd) {
        PF_InData in_data = makeInData();
        return send(cmd, in_data);
    }

    // What the effect told the host.
    const std::string& registeredPluginName() const { return registeredName_; }
    AEGP_PluginID pluginId() const { return kPluginId; }
    const std::vector<PrPixelFormat>& supportedPixelFormats() const { return pixelFormats_; }
    // Suites acquired and not yet released; non-zero after a command is a leak.
    int outstandingSuites() const;

    static constexpr AEGP_PluginID kPluginId = 0x51;

    // Callback entry points (the suites' and utilities' functions).
    struct Callbacks;

private:
    const EffectModule& module_;
    HostApplication application_;
    int apiMajor_ = 13;
    int apiMinor_ = 28;
    std::set<std::string> refusedSuites_;
    bool noBasicSuite_ = false;
    A_Err registrationError_ = A_Err_NONE;
    HostHandles handles_;
    std::string registeredName_;
    std::vector<PrPixelFormat> pixelFormats_;
    std::map<std::pair<std::string, std::int32_t>, int> acquired_;
    PF_Handle globalData_ = nullptr;
    PF_UtilCallbacks utils_{};
    SPBasicSuite basic_{};

    friend struct Callbacks;
};
