#pragma once
// A host for effect modules: the structures, callbacks and suites that a
// compositing application hands an effect, with real behaviour, so that the
// tool and the tests drive a module exactly as the applications do.
//
// Two levels: send() passes one command with the structures the caller made;
// the driver functions (globalSetup() to renderFrame()) play whole steps of
// the effect's life with the commands, in the order and with the data that
// the applications use. The host's callbacks are plain function pointers
// without user data, so one SimulatedHost at a time is active in a process; it
// routes every callback. Callbacks never let an exception reach the module.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "EffectModule.h"
#include "HostHandles.h"
#include "HostInstance.h"
#include "HostInterface.h"
#include "HostWorld.h"
#include "PublishedParameters.h"

enum class HostApplication { AfterEffects, Premiere };
enum class RenderMode { Smart, Classic };

// The result of one command: the entry point's result and what it wrote.
struct CommandResult {
    PF_Err error = PF_Err_NONE;
    PF_OutData out{};
};

// A time as the host passes it: value / scale seconds, frames step apart.
struct FrameTime {
    A_long value = 0;
    A_long step = 1;
    A_u_long scale = 1;

    double seconds() const { return static_cast<double>(value) / scale; }
    // Frame `index` at `fps` frames per second, in hundredths of a frame.
    static FrameTime ofFrame(A_long index, double fps);
};

struct RenderOptions {
    // Smart rendering needs an effect that asks for it in its global flags;
    // the host does not check. Premiere Pro always renders classically.
    RenderMode mode = RenderMode::Smart;
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
    // The layer's pixel aspect ratio.
    PF_RationalScale pixelAspect{1, 1};
    // Smart rendering: the rectangle the host asks for; by default the whole
    // (downsampled) layer.
    std::optional<PF_LRect> request;
};

struct FrameResult {
    // The first error among the frame's commands, and the command that gave it
    // (the last command sent when all succeeded).
    PF_Err error = PF_Err_NONE;
    PF_Cmd command = PF_Cmd_SMART_RENDER;
    // What the effect wrote, at the size it asked for.
    HostWorld output;
    // Where the input layer's top-left pixel lies in the output.
    PF_Point origin{};
    // Smart rendering: the result rectangle that pre-render returned.
    PF_LRect resultRect{};
    PF_OutFlags outFlags = 0;
    std::string message;
};

class RenderDriver;

class SimulatedHost {
public:
    explicit SimulatedHost(const EffectModule& module,
                           HostApplication application = HostApplication::AfterEffects);
    ~SimulatedHost();
    SimulatedHost(const SimulatedHost&) = delete;
    SimulatedHost& operator=(const SimulatedHost&) = delete;

    static SimulatedHost& active();

    HostApplication application() const { return application_; }
    // The effect interface version in in_data (default 13.28).
    void setApiVersion(int major, int minor) { apiMajor_ = major, apiMinor_ = minor; }

    // Fault injection, so that every failure path of an effect can be reached.
    void refuseSuite(const std::string& name) { refusedSuites_.insert(name); }
    void withoutBasicSuite(bool absent) { noBasicSuite_ = absent; }
    void setRegistrationError(A_Err error) { registrationError_ = error; }
    HostHandles& handles() { return handles_; }
    // The nth parameter checkout from now (1: the next) fails with `error`.
    void failParamCheckout(int nth, PF_Err error = PF_Err_INTERNAL_STRUCT_DAMAGED) {
        checkoutFailure_ = nth, checkoutError_ = error;
    }
    // After `count` more parameters have been added, adding fails with `error`.
    void failAddParamAfter(int count, PF_Err error = PF_Err_OUT_OF_MEMORY) {
        published_.failAfter(count, error);
    }

    // A fresh in_data for the next command, as the application fills it; the
    // second form for a command about an instance.
    PF_InData makeInData();
    PF_InData makeInData(InstanceId instance, FrameTime time = {});

    // Sends one command through the module's entry point. out_data starts
    // with the handles and size of in_data.
    CommandResult send(PF_Cmd cmd, PF_InData& in_data, PF_ParamDef* params[] = nullptr,
                       PF_LayerDef* output = nullptr, void* extra = nullptr);
    CommandResult send(PF_Cmd cmd) {
        PF_InData in_data = makeInData();
        return send(cmd, in_data);
    }

    // The effect's life, as the application drives it.
    CommandResult globalSetup();
    // Publishes the effect's parameters; a parameter count in out_data that
    // disagrees with what was added fails it with PF_Err_INTERNAL_STRUCT_DAMAGED.
    CommandResult paramsSetup();
    // Applies the effect to a new layer (sequence set-up), followed by an
    // interface update when the effect asked for them at global set-up. The instance stays
    // even when the command fails; `result` receives the command's result.
    InstanceId addInstance(CommandResult* result = nullptr);
    // Removes the effect from its layer (sequence set-down).
    CommandResult removeInstance(InstanceId instance);
    // Saves the project: the instance's sequence data is flattened and kept
    // as saved(); the instance is set up again before its next command.
    CommandResult saveInstance(InstanceId instance);
    // Opens a saved project: a new instance whose sequence data is handed back
    // as saved (sequence re-set-up), with the parameters' defaults.
    InstanceId loadInstance(const std::vector<std::uint8_t>& saved,
                            CommandResult* result = nullptr);
    CommandResult updateParamsUI(InstanceId instance, FrameTime time = {});
    // The user changes a parameter: the new value, then the parameter change
    // command when the parameter is supervised, then an interface update when
    // the effect asked for them at global set-up.
    CommandResult changeParam(InstanceId instance, PF_ParamIndex index, std::vector<double> value,
                              FrameTime time = {});
    // Renders one frame of `input` (the layer at full resolution).
    FrameResult renderFrame(InstanceId instance, const HostWorld& input, FrameTime time,
                            const RenderOptions& options = {});

    // The published parameters, by host index (0: the input layer).
    const PublishedParameters& parameters() const { return published_; }
    // Throws std::invalid_argument for a name that was not published.
    PF_ParamIndex paramIndex(const std::string& name) const;
    // Parameter values in user units (see ParameterStream); these throw
    // std::invalid_argument or std::out_of_range for values or indices that do
    // not fit. Setting a value sends no command.
    void setParam(InstanceId instance, PF_ParamIndex index, std::vector<double> value);
    void setParam(InstanceId instance, const std::string& name, std::vector<double> value) {
        setParam(instance, paramIndex(name), std::move(value));
    }
    void setParam(InstanceId instance, const std::string& name, double value) {
        setParam(instance, paramIndex(name), std::vector<double>{value});
    }
    void addKeyframe(InstanceId instance, PF_ParamIndex index, double seconds,
                     std::vector<double> value);
    // A layer parameter's image at full resolution; null for none.
    void setLayer(InstanceId instance, PF_ParamIndex index, std::shared_ptr<const HostWorld> image);
    // The definition as the effect would check it out at a time.
    PF_ParamDef paramValue(InstanceId instance, PF_ParamIndex index, FrameTime time = {});
    // What the user sees of a parameter: its name and interface flags.
    const ParamUI& paramUI(InstanceId instance, PF_ParamIndex index) const;

    // Throws std::out_of_range for an instance that does not exist.
    const HostInstance& instance(InstanceId id) const;
    std::size_t instanceCount() const { return instances_.size(); }
    // The composition of instances added from now on, or of one instance.
    void setComposition(const Composition& composition) { composition_ = composition; }
    void setComposition(InstanceId instance, const Composition& composition);

    // What the effect told the host.
    PF_OutFlags globalOutFlags() const { return globalOutFlags_; }
    PF_OutFlags2 globalOutFlags2() const { return globalOutFlags2_; }
    const std::string& registeredPluginName() const { return registeredName_; }
    AEGP_PluginID pluginId() const { return kPluginId; }
    const std::vector<PrPixelFormat>& supportedPixelFormats() const { return pixelFormats_; }
    const std::string& optionsButtonName() const { return optionsButtonName_; }
    const std::optional<PF_CustomUIInfo>& customUI() const { return customUI_; }
    // Suites acquired and not yet released; non-zero after a command is a leak.
    int outstandingSuites() const;
    // Parameters checked out and not checked in again.
    int outstandingParamCheckouts() const { return static_cast<int>(checkedOut_.size()); }

    static constexpr AEGP_PluginID kPluginId = 0x51;

    // Callback entry points (the suites' and utilities' functions).
    struct Callbacks;

private:
    friend struct Callbacks;
    friend class RenderDriver;

    // A parameter array for a command: params[0] the input layer.
    struct ParamArray {
        std::vector<PF_ParamDef> defs;
        std::vector<PF_ParamDef*> pointers;
        PF_ParamDef** data() { return pointers.data(); }
    };

    // out_data as the host hands it over: with in_data's handles and size.
    static PF_OutData outFor(const PF_InData& in_data);
    HostInstance& find(InstanceId id);
    HostInstance* instanceFor(PF_ProgPtr effect_ref);
    CommandResult dispatch(PF_Cmd cmd, PF_InData& in_data, PF_OutData& out, PF_ParamDef* params[],
                           PF_LayerDef* output, void* extra);
    // A command about an instance: flat sequence data is set up again first,
    // and the sequence data the command leaves becomes the instance's.
    CommandResult sendFor(HostInstance& instance, PF_Cmd cmd, PF_InData& in_data, PF_OutData& out,
                          PF_ParamDef* params[] = nullptr, PF_LayerDef* output = nullptr,
                          void* extra = nullptr);
    CommandResult resetup(HostInstance& instance);
    ParamArray paramArray(HostInstance& instance, double seconds);
    StreamScale scaleFor(const HostInstance& instance) const;
    // Fills a definition as a checkout at that time gives it.
    void fillParam(HostInstance& instance, PF_ParamIndex index, double seconds, PF_ParamDef& def);
    // The depth of an image this host handed out, found by its pixels; 0 when
    // it is not one of the host's.
    int depthOf(const PF_EffectWorld* world) const;

    const EffectModule& module_;
    HostApplication application_;
    int apiMajor_ = 13;
    int apiMinor_ = 28;
    std::set<std::string> refusedSuites_;
    bool noBasicSuite_ = false;
    A_Err registrationError_ = A_Err_NONE;
    int checkoutFailure_ = 0;
    PF_Err checkoutError_ = PF_Err_NONE;
    HostHandles handles_;
    std::string registeredName_;
    // Sequence data a save replaced, still the effect's to dispose of.
    std::vector<PF_Handle> replacedSequenceData_;
    std::vector<PrPixelFormat> pixelFormats_;
    std::map<std::pair<std::string, std::int32_t>, int> acquired_;
    PF_Handle globalData_ = nullptr;
    PF_OutFlags globalOutFlags_ = 0;
    PF_OutFlags2 globalOutFlags2_ = 0;
    PF_UtilCallbacks utils_{};
    SPBasicSuite basic_{};
    PF_InteractCallbacks inter_{};

    PublishedParameters published_;
    std::string optionsButtonName_;
    std::optional<PF_CustomUIInfo> customUI_;
    std::multiset<const PF_ParamDef*> checkedOut_;
    Composition composition_;
    std::map<InstanceId, std::unique_ptr<HostInstance>> instances_;
    InstanceId nextInstance_ = 1;
    // The command being sent, for the callbacks of the host's own commands
    // (parameter set-up); commands about an instance are kept in the instance.
    PF_Cmd currentCommand_ = -1;
};
