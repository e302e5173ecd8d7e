#include "SimulatedHost.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

SimulatedHost* activeHost = nullptr;

}  // namespace

struct SimulatedHost::Callbacks {
    static SimulatedHost& host() { return SimulatedHost::active(); }

    // Basic suite.
    static SPErr acquireSuite(const char* name, std::int32_t version, const void** suite);
    static SPErr releaseSuite(const char* name, std::int32_t version) {
        auto& count = host().acquired_[{name, version}];
        --count;
        return 0;
    }

    // Utility callbacks.
    static A_long ansiSprintf(A_char* buffer, const A_char* format, ...) {
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(buffer, PF_MAX_EFFECT_MSG_LEN + 1, format, args);
        va_end(args);
        return n;
    }
    static A_char* ansiStrcpy(A_char* dest, const A_char* src) { return std::strcpy(dest, src); }
    static PF_Err getPlatformData(PF_ProgPtr, A_long which, void* data) {
        if (which != PF_PlatData_INSTANCE_PTR || !data)
            return PF_Err_BAD_CALLBACK_PARAM;
        *static_cast<void**>(data) = host().module_.instanceHandle();
        return PF_Err_NONE;
    }

    // Handle suite.
    static PF_Handle newHandle(std::uint64_t size) { return host().handles_.allocate(size); }
    static void* lockHandle(PF_Handle h) { return host().handles_.lock(h); }
    static void unlockHandle(PF_Handle h) { host().handles_.unlock(h); }
    static void disposeHandle(PF_Handle h) { host().handles_.dispose(h); }
    static std::uint64_t handleSize(PF_Handle h) { return host().handles_.size(h); }
    static PF_Err resizeHandle(std::uint64_t size, PF_Handle* h) {
        return h && host().handles_.resize(*h, size) ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
    }

    // AEGP utility suite.
    static A_Err registerWithAegp(AEGP_GlobalRefcon, const A_char* name, AEGP_PluginID* id) {
        SimulatedHost& h = host();
        if (h.registrationError_ != A_Err_NONE)
            return h.registrationError_;
        h.registeredName_ = name ? name : "";
        if (id)
            *id = kPluginId;
        return A_Err_NONE;
    }

    // Pixel format suite (Premiere Pro).
    static PF_Err addPixelFormat(PF_ProgPtr, PrPixelFormat format) {
        host().pixelFormats_.push_back(format);
        return PF_Err_NONE;
    }
    static PF_Err clearPixelFormats(PF_ProgPtr) {
        host().pixelFormats_.clear();
        return PF_Err_NONE;
    }
};

namespace {

const PF_HandleSuite2 handleSuite = {
    SimulatedHost::Callbacks::newHandle,    SimulatedHost::Callbacks::lockHandle,
    SimulatedHost::Callbacks::unlockHandle, SimulatedHost::Callbacks::disposeHandle,
    SimulatedHost::Callbacks::handleSize,   SimulatedHost::Callbacks::resizeHandle,
};
const AEGP_UtilitySuite7 utilitySuite = {SimulatedHost::Callbacks::registerWithAegp};
const PF_PixelFormatSuite1 pixelFormatSuite = {
    SimulatedHost::Callbacks::addPixelFormat,
    SimulatedHost::Callbacks::clearPixelFormats,
    nullptr,
};

struct SuiteEntry {
    const char* name;
    std::int32_t version;
    const void* suite;
    bool premiereOnly;
};

const SuiteEntry suiteTable[] = {
    {kPFHandleSuite, kPFHandleSuiteVersion2, &handleSuite, false},
    {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion7, &utilitySuite, false},
    {kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1, &pixelFormatSuite, true},
};

}  // namespace

SPErr SimulatedHost::Callbacks::acquireSuite(const char* name, std::int32_t version,
                                             const void** suite) {
    SimulatedHost& h = host();
    *suite = nullptr;
    if (h.refusedSuites_.count(name))
        return 1;
    for (const SuiteEntry& entry : suiteTable) {
        if (std::strcmp(entry.name, name) != 0 || entry.version != version)
            continue;
        if (entry.premiereOnly && h.application_ != HostApplication::Premiere)
            return 1;
        *suite = entry.suite;
        ++h.acquired_[{name, version}];
        return 0;
    }
    return 1;
}

SimulatedHost::SimulatedHost(const EffectModule& module, HostApplication application)
    : module_(module), application_(application) {
    if (activeHost)
        throw std::logic_error("only one simulated host may be active at a time");
    activeHost = this;
    utils_.ansi.sprintf = Callbacks::ansiSprintf;
    utils_.ansi.strcpy = Callbacks::ansiStrcpy;
    utils_.get_platform_data = Callbacks::getPlatformData;
    basic_.AcquireSuite = Callbacks::acquireSuite;
    basic_.ReleaseSuite = Callbacks::releaseSuite;
}

SimulatedHost::~SimulatedHost() {
    activeHost = nullptr;
}

SimulatedHost& SimulatedHost::active() {
    if (!activeHost)
        throw std::logic_error("no simulated host is active");
    return *activeHost;
}

PF_InData SimulatedHost::makeInData() {
    PF_InData in{};
    in.utils = &utils_;
    in.effect_ref = this;
    in.version.major = static_cast<A_short>(apiMajor_);
    in.version.minor = static_cast<A_short>(apiMinor_);
    in.appl_id = application_ == HostApplication::Premiere ? PF_APPL_ID_PREMIERE : 0x46584354;
    in.time_scale = 1;
    in.time_step = 1;
    in.downsample_x = {1, 1};
    in.downsample_y = {1, 1};
    in.pixel_aspect_ratio = {1, 1};
    in.global_data = globalData_;
    in.pica_basicP = noBasicSuite_ ? nullptr : &basic_;
    return in;
}

CommandResult SimulatedHost::send(PF_Cmd cmd, PF_InData& in_data, PF_ParamDef* params[],
                                  PF_LayerDef* output, void* extra) {
    CommandResult result;
    result.out.global_data = in_data.global_data;
    result.out.sequence_data = in_data.sequence_data;
    result.out.frame_data = in_data.frame_data;
    result.out.width = in_data.width;
    result.out.height = in_data.height;
    result.error = module_.call(cmd, &in_data, &result.out, params, output, extra);
    if (cmd == PF_Cmd_GLOBAL_SETUP && result.error == PF_Err_NONE) {
        globalData_ = result.out.global_data;
    }
    return result;
}

int SimulatedHost::outstandingSuites() const {
    int total = 0;
    for (const auto& entry : acquired_) total += entry.second;
    return total;
}
