#include "SimulatedHost.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "HostCallbacks.h"
#include "RenderDriver.h"

namespace {

SimulatedHost* activeHost = nullptr;

}  // namespace

PF_OutData SimulatedHost::outFor(const PF_InData& in_data) {
    PF_OutData out{};
    out.global_data = in_data.global_data;
    out.sequence_data = in_data.sequence_data;
    out.frame_data = in_data.frame_data;
    out.width = in_data.width;
    out.height = in_data.height;
    return out;
}

SimulatedHost* SimulatedHost::Callbacks::host() noexcept {
    return activeHost;
}

FrameTime FrameTime::ofFrame(A_long index, double fps) {
    FrameTime time;
    time.step = 100;
    time.scale = fps > 0 ? static_cast<A_u_long>(std::lround(fps * 100)) : 100;
    time.value = index * time.step;
    return time;
}

SimulatedHost::SimulatedHost(const EffectModule& module, HostApplication application)
    : module_(module), application_(application) {
    if (activeHost)
        throw std::logic_error("only one simulated host may be active at a time");
    activeHost = this;
    utils_.copy = Callbacks::copy;
    utils_.fill = Callbacks::fill;
    utils_.ansi.sprintf = Callbacks::ansiSprintf;
    utils_.ansi.strcpy = Callbacks::ansiStrcpy;
    utils_.get_platform_data = Callbacks::getPlatformData;
    basic_.AcquireSuite = Callbacks::acquireSuite;
    basic_.ReleaseSuite = Callbacks::releaseSuite;
    inter_.checkout_param = Callbacks::checkoutParam;
    inter_.checkin_param = Callbacks::checkinParam;
    inter_.add_param = Callbacks::addParam;
    inter_.register_ui = Callbacks::registerUI;
}

SimulatedHost::~SimulatedHost() {
    // Closing the project: the application sets down every instance still
    // open, so that the effect frees what it keeps for each.
    try {
        while (!instances_.empty()) {
            const auto first = instances_.begin();
            // Only blocks the host still holds; a test may have handed one
            // back to the effect behind the host's back.
            const PF_Handle data = first->second->sequenceData;
            if (data == nullptr || handles_.owns(data)) {
                removeInstance(first->first);
            } else {
                instances_.erase(first);
            }
        }
        // Data that a save replaced and the effect kept goes the same way.
        for (PF_Handle data : replacedSequenceData_) {
            if (!handles_.owns(data))
                continue;
            PF_InData in = makeInData();
            in.sequence_data = data;
            send(PF_Cmd_SEQUENCE_SETDOWN, in);
        }
    } catch (...) {
        instances_.clear();
    }
    activeHost = nullptr;
}

SimulatedHost& SimulatedHost::active() {
    if (!activeHost)
        throw std::logic_error("no simulated host is active");
    return *activeHost;
}

PF_InData SimulatedHost::makeInData() {
    PF_InData in{};
    in.inter = inter_;
    in.utils = &utils_;
    in.effect_ref = this;
    in.version.major = static_cast<A_short>(apiMajor_);
    in.version.minor = static_cast<A_short>(apiMinor_);
    in.appl_id = application_ == HostApplication::Premiere ? PF_APPL_ID_PREMIERE : 0x46584354;
    in.num_params = published_.count();
    in.time_scale = 1;
    in.time_step = 1;
    in.local_time_step = 1;
    in.downsample_x = {1, 1};
    in.downsample_y = {1, 1};
    in.pixel_aspect_ratio = {1, 1};
    in.global_data = globalData_;
    in.pica_basicP = noBasicSuite_ ? nullptr : &basic_;
    return in;
}

PF_InData SimulatedHost::makeInData(InstanceId id, FrameTime time) {
    HostInstance& instance = find(id);
    PF_InData in = makeInData();
    in.effect_ref = &instance;
    in.sequence_data = instance.sequenceData;
    in.current_time = time.value;
    in.time_step = time.step;
    in.local_time_step = time.step;
    in.time_scale = time.scale;
    in.width = instance.layerWidth;
    in.height = instance.layerHeight;
    in.extent_hint = {0, 0, in.width, in.height};
    return in;
}

HostInstance& SimulatedHost::find(InstanceId id) {
    auto found = instances_.find(id);
    if (found == instances_.end())
        throw std::out_of_range("no effect instance " + std::to_string(id));
    return *found->second;
}

const HostInstance& SimulatedHost::instance(InstanceId id) const {
    return *instances_.at(id);
}

HostInstance* SimulatedHost::instanceFor(PF_ProgPtr effect_ref) {
    for (const auto& entry : instances_)
        if (entry.second.get() == effect_ref)
            return entry.second.get();
    return nullptr;
}

CommandResult SimulatedHost::dispatch(PF_Cmd cmd, PF_InData& in_data, PF_OutData& out,
                                      PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    if (cmd == PF_Cmd_PARAMS_SETUP)
        published_.clear();
    currentCommand_ = cmd;
    CommandResult result;
    result.error = module_.call(cmd, &in_data, &out, params, output, extra);
    currentCommand_ = -1;
    result.out = out;
    if (cmd == PF_Cmd_GLOBAL_SETUP && result.error == PF_Err_NONE) {
        globalData_ = out.global_data;
        globalOutFlags_ = out.out_flags;
        globalOutFlags2_ = out.out_flags2;
    }
    return result;
}

CommandResult SimulatedHost::send(PF_Cmd cmd, PF_InData& in_data, PF_ParamDef* params[],
                                  PF_LayerDef* output, void* extra) {
    PF_OutData out = outFor(in_data);
    return dispatch(cmd, in_data, out, params, output, extra);
}

CommandResult SimulatedHost::sendFor(HostInstance& instance, PF_Cmd cmd, PF_InData& in_data,
                                     PF_OutData& out, PF_ParamDef* params[], PF_LayerDef* output,
                                     void* extra) {
    if (instance.flattened && cmd != PF_Cmd_SEQUENCE_SETDOWN) {
        const CommandResult unflattened = resetup(instance);
        if (unflattened.error != PF_Err_NONE)
            return unflattened;
        in_data.sequence_data = out.sequence_data = instance.sequenceData;
    }
    instance.command = cmd;
    const CommandResult result = dispatch(cmd, in_data, out, params, output, extra);
    instance.command = -1;
    if (cmd == PF_Cmd_SEQUENCE_SETUP)
        instance.sequenceData = result.out.sequence_data;
    else if (cmd == PF_Cmd_SEQUENCE_SETDOWN)
        instance.sequenceData = nullptr;
    return result;
}

CommandResult SimulatedHost::resetup(HostInstance& instance) {
    instance.flattened = false;
    PF_InData in = makeInData(instance.id);
    PF_OutData out = outFor(in);
    const PF_Handle flat = instance.sequenceData;
    const CommandResult result =
        dispatch(PF_Cmd_SEQUENCE_RESETUP, in, out, nullptr, nullptr, nullptr);
    instance.sequenceData = result.out.sequence_data;
    // The flat data was the host's copy of the saved project; once the effect
    // has made its own data from it, the host lets it go.
    if (flat && flat != instance.sequenceData && handles_.owns(flat))
        handles_.dispose(flat);
    return result;
}

CommandResult SimulatedHost::globalSetup() {
    return send(PF_Cmd_GLOBAL_SETUP);
}

CommandResult SimulatedHost::paramsSetup() {
    CommandResult result = send(PF_Cmd_PARAMS_SETUP);
    if (result.error == PF_Err_NONE && result.out.num_params != published_.count())
        result.error = PF_Err_INTERNAL_STRUCT_DAMAGED;
    return result;
}

InstanceId SimulatedHost::addInstance(CommandResult* result) {
    const InstanceId id = nextInstance_++;
    instances_[id] = std::make_unique<HostInstance>(id, published_, composition_);
    PF_InData in = makeInData(id);
    PF_OutData out = outFor(in);
    const CommandResult setup = sendFor(find(id), PF_Cmd_SEQUENCE_SETUP, in, out);
    if (result)
        *result = setup;
    // An effect that asked for interface updates gets one as soon as it is
    // applied, as the applications show its controls at once.
    if (setup.error == PF_Err_NONE && (globalOutFlags_ & PF_OutFlag_SEND_UPDATE_PARAMS_UI))
        updateParamsUI(id);
    return id;
}

CommandResult SimulatedHost::removeInstance(InstanceId id) {
    HostInstance& instance = find(id);
    PF_InData in = makeInData(id);
    PF_OutData out = outFor(in);
    const CommandResult result = sendFor(instance, PF_Cmd_SEQUENCE_SETDOWN, in, out);
    instances_.erase(id);
    return result;
}

CommandResult SimulatedHost::saveInstance(InstanceId id) {
    HostInstance& instance = find(id);
    if (instance.flattened)
        return {};  // saved already, and not used since
    PF_InData in = makeInData(id);
    PF_OutData out = outFor(in);
    const CommandResult result =
        dispatch(PF_Cmd_SEQUENCE_FLATTEN, in, out, nullptr, nullptr, nullptr);
    if (result.error == PF_Err_NONE) {
        // The flat data replaces the instance's data; the data handed in is
        // the effect's to dispose of. The host remembers it, to set it down
        // at close should the effect have kept it.
        if (result.out.sequence_data != instance.sequenceData)
            replacedSequenceData_.push_back(instance.sequenceData);
        instance.sequenceData = result.out.sequence_data;
        instance.saved = handles_.bytes(instance.sequenceData);
        instance.flattened = true;
    }
    return result;
}

InstanceId SimulatedHost::loadInstance(const std::vector<std::uint8_t>& saved,
                                       CommandResult* result) {
    const InstanceId id = nextInstance_++;
    instances_[id] = std::make_unique<HostInstance>(id, published_, composition_);
    HostInstance& instance = find(id);
    instance.saved = saved;
    if (!saved.empty()) {
        instance.sequenceData = handles_.allocate(saved.size());
        if (void* bytes = handles_.lock(instance.sequenceData)) {
            std::memcpy(bytes, saved.data(), saved.size());
            handles_.unlock(instance.sequenceData);
        }
    }
    const CommandResult loaded = resetup(instance);
    if (result)
        *result = loaded;
    return id;
}

CommandResult SimulatedHost::updateParamsUI(InstanceId id, FrameTime time) {
    HostInstance& instance = find(id);
    ParamArray params = paramArray(instance, time.seconds());
    PF_InData in = makeInData(id, time);
    PF_OutData out = outFor(in);
    return sendFor(instance, PF_Cmd_UPDATE_PARAMS_UI, in, out, params.data());
}

CommandResult SimulatedHost::changeParam(InstanceId id, PF_ParamIndex index,
                                         std::vector<double> value, FrameTime time) {
    setParam(id, index, std::move(value));
    HostInstance& instance = find(id);
    CommandResult result;
    if (published_.at(index).flags & PF_ParamFlag_SUPERVISE) {
        ParamArray params = paramArray(instance, time.seconds());
        PF_InData in = makeInData(id, time);
        PF_OutData out = outFor(in);
        PF_UserChangedParamExtra extra{index};
        result =
            sendFor(instance, PF_Cmd_USER_CHANGED_PARAM, in, out, params.data(), nullptr, &extra);
        if (result.error != PF_Err_NONE)
            return result;
    }
    if (globalOutFlags_ & PF_OutFlag_SEND_UPDATE_PARAMS_UI)
        result = updateParamsUI(id, time);
    return result;
}

FrameResult SimulatedHost::renderFrame(InstanceId id, const HostWorld& input, FrameTime time,
                                       const RenderOptions& options) {
    HostInstance& instance = find(id);
    RenderDriver driver(*this, instance, input, time, options);
    // The callbacks find the frame's images through its instance while it renders.
    instance.frame = &driver;
    struct Reset {
        RenderDriver*& slot;
        ~Reset() { slot = nullptr; }
    } reset{instance.frame};
    return driver.run();
}

PF_ParamIndex SimulatedHost::paramIndex(const std::string& name) const {
    if (const auto index = published_.find(name))
        return *index;
    throw std::invalid_argument("the effect has no parameter named \"" + name + "\"");
}

void SimulatedHost::setParam(InstanceId id, PF_ParamIndex index, std::vector<double> value) {
    find(id).streams.at(static_cast<std::size_t>(index)).setConstant(std::move(value));
}

void SimulatedHost::addKeyframe(InstanceId id, PF_ParamIndex index, double seconds,
                                std::vector<double> value) {
    find(id).streams.at(static_cast<std::size_t>(index)).addKeyframe(seconds, std::move(value));
}

void SimulatedHost::setLayer(InstanceId id, PF_ParamIndex index,
                             std::shared_ptr<const HostWorld> image) {
    ParameterStream& stream = find(id).streams.at(static_cast<std::size_t>(index));
    if (index == 0 || stream.type() != PF_Param_LAYER)
        throw std::invalid_argument("parameter " + std::to_string(index) + " is not a layer");
    stream.setLayer(std::move(image));
}

PF_ParamDef SimulatedHost::paramValue(InstanceId id, PF_ParamIndex index, FrameTime time) {
    PF_ParamDef def{};
    fillParam(find(id), index, time.seconds(), def);
    return def;
}

const ParamUI& SimulatedHost::paramUI(InstanceId id, PF_ParamIndex index) const {
    return instance(id).ui.at(static_cast<std::size_t>(index));
}

void SimulatedHost::setComposition(InstanceId id, const Composition& composition) {
    find(id).composition = composition;
}

int SimulatedHost::outstandingSuites() const {
    int total = 0;
    for (const auto& entry : acquired_) total += entry.second;
    return total;
}

StreamScale SimulatedHost::scaleFor(const HostInstance& instance) const {
    if (instance.frame)
        return instance.frame->scale();
    return StreamScale{instance.layerWidth, instance.layerHeight, {1, 1}, {1, 1}};
}

void SimulatedHost::fillParam(HostInstance& instance, PF_ParamIndex index, double seconds,
                              PF_ParamDef& def) {
    def = published_.at(index);
    const auto at = static_cast<std::size_t>(index);
    if (at < instance.ui.size()) {
        std::snprintf(def.name, sizeof def.name, "%s", instance.ui[at].name.c_str());
        def.ui_flags = instance.ui[at].uiFlags;
    }
    if (index == 0 || def.param_type == PF_Param_LAYER) {
        // Layers are handed out as the frame sees them, else at full size.
        const HostWorld* image = nullptr;
        if (instance.frame)
            image = index == 0 ? &instance.frame->input() : instance.frame->layerImage(index);
        else if (index > 0 && at < instance.streams.size())
            image = instance.streams[at].layer().get();
        def.u.ld = image ? image->world() : PF_LayerDef{};
        return;
    }
    if (at < instance.streams.size())
        instance.streams[at].fill(def, seconds, scaleFor(instance));
}

SimulatedHost::ParamArray SimulatedHost::paramArray(HostInstance& instance, double seconds) {
    ParamArray params;
    params.defs.resize(static_cast<std::size_t>(published_.count()));
    for (std::size_t i = 0; i < params.defs.size(); ++i) {
        fillParam(instance, static_cast<PF_ParamIndex>(i), seconds, params.defs[i]);
        params.pointers.push_back(&params.defs[i]);
    }
    return params;
}

int SimulatedHost::depthOf(const PF_EffectWorld* world) const {
    if (!world || !world->data)
        return 0;
    for (const auto& entry : instances_)
        if (const RenderDriver* frame = entry.second->frame)
            if (const int depth = frame->depthOf(world->data))
                return depth;
    for (const auto& entry : instances_)
        for (const ParameterStream& stream : entry.second->streams)
            if (stream.layer() && stream.layer()->world().data == world->data)
                return stream.layer()->depth();
    return 0;
}
