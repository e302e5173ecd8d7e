#include "CommandSequence.h"

#include "Report.h"

namespace {

namespace C = raw::constants;
namespace I = raw::PF_InData;
namespace O = raw::PF_OutData;
namespace P = raw::PF_ParamDef;

constexpr std::size_t kSequenceDataSize = 8192;

std::string flagsText(std::int64_t value) {
    return hex(static_cast<std::uint32_t>(value));
}

}  // namespace

CommandSequence::CommandSequence(const LoadedModule& module, Application application,
                                 Expectations expected, int width, int height,
                                 std::map<int, std::vector<std::uint8_t>> inputs)
    : host_(module.entry, module.handle, application, std::move(expected)),
      app_(application == Application::Premiere ? "Premiere" : "AE"),
      width_(width),
      height_(height),
      inputs_(std::move(inputs)) {}

void CommandSequence::run(const std::vector<FrameCase>& frames) {
    globalSetup();
    paramsSetup();
    void* sequence = sequenceSetup();
    updateParamsUI(sequence);
    if (!host_.premiere())
        sequence = saveAndLoad(sequence);
    userChanges(sequence);
    updateParamsUI(sequence);
    event(sequence);
    for (const FrameCase& frame : frames) {
        if (frame.classic)
            classicFrame(sequence, frame);
        else
            smartFrame(sequence, frame);
    }
    setDown(sequence);
    globalSetdown();
}

std::int32_t CommandSequence::send(std::int32_t cmd, const char* name, ByteBlock& in,
                                   ByteBlock& out, void* params, void* output, void* extra,
                                   const std::set<std::string>& outMayWrite,
                                   const std::set<std::string>& inMayWrite) {
    Report::get().step(app_ + " " + name);
    const std::int32_t error =
        host_.send(cmd, in, out, params, output, extra, outMayWrite, inMayWrite);
    Report::get().check(error == 0, std::string(name) + " returned " + std::to_string(error));
    return error;
}

void CommandSequence::globalSetup() {
    ByteBlock in = host_.inData(nullptr, 0, 0);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_GLOBAL_SETUP, "PF_Cmd_GLOBAL_SETUP", in, out, nullptr, nullptr, nullptr,
         {"my_version", "out_flags", "out_flags2", "global_data"});
    Report& r = Report::get();
    const Expectations& e = host_.expected();
    std::uint32_t flags = e.outFlags, flags2 = e.outFlags2;
    if (host_.premiere()) {
        // Premiere Pro learns the depths from the pixel formats instead.
        std::vector<std::uint32_t> formats = {0x62677261, 0x62677278};
        if (flags & C::PF_OutFlag_DEEP_COLOR_AWARE)
            formats.insert(formats.end(), {0x62677258, 0x62677241});
        if (flags2 & C::PF_OutFlag2_FLOAT_COLOR_AWARE)
            formats.insert(formats.end(), {0x62675241, 0x62675258});
        flags &= ~static_cast<std::uint32_t>(C::PF_OutFlag_DEEP_COLOR_AWARE);
        flags2 = (flags2 | C::PF_OutFlag2_PPRO_DO_NOT_CLONE_SEQUENCE_DATA_FOR_RENDER) &
                 ~static_cast<std::uint32_t>(C::PF_OutFlag2_FLOAT_COLOR_AWARE);
        r.check(host_.pixelFormats() == formats,
                "the module declared " + std::to_string(host_.pixelFormats().size()) +
                    " pixel formats, not the expected " + std::to_string(formats.size()));
    }
    const auto version = out.get<std::uint32_t>(O::my_version);
    r.check(version == e.myVersion, "my_version at " + std::to_string(O::my_version) + " is " +
                                        hex(version) + ", expected " + hex(e.myVersion));
    const auto outFlags = out.get<std::uint32_t>(O::out_flags);
    r.check(outFlags == flags, "out_flags at " + std::to_string(O::out_flags) + " is " +
                                   hex(outFlags) + ", expected " + hex(flags));
    const auto outFlags2 = out.get<std::uint32_t>(O::out_flags2);
    r.check(outFlags2 == flags2, "out_flags2 at " + std::to_string(O::out_flags2) + " is " +
                                     hex(outFlags2) + ", expected " + hex(flags2));
    // Global data: 8 bytes, a first byte of 1, and in After Effects the
    // plug-in id the host gave at registration in bytes 4 to 7.
    void* global = out.get<void*>(O::global_data);
    if (!r.check(host_.handles().owns(global) && host_.handles().size(global) == 8,
                 "global_data is not an 8-byte handle from the host"))
        return;
    host_.setGlobalData(global);
    const std::uint8_t* block = host_.handles().block(global);
    r.check(block[0] == 1, "the global data's first byte is " + std::to_string(block[0]));
    if (!host_.premiere()) {
        std::int32_t id;
        std::memcpy(&id, block + 4, 4);
        r.check(id == RawHost::kPluginId, "the global data holds plug-in id " + std::to_string(id) +
                                              " at 4, expected " +
                                              std::to_string(RawHost::kPluginId));
    }
    r.check(host_.registeredName() == (host_.premiere() ? "" : e.pluginName),
            "registered with the AEGP layer as \"" + host_.registeredName() + "\"");
}

void CommandSequence::paramsSetup() {
    ByteBlock in = host_.inData(nullptr, 0, 0);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_PARAMS_SETUP, "PF_Cmd_PARAMS_SETUP", in, out, nullptr, nullptr, nullptr,
         {"num_params"});
    Report& r = Report::get();
    const std::vector<ExpectedParam>& expected = host_.expected().params;
    const auto count = out.get<std::int32_t>(O::num_params);
    r.check(count == host_.paramCount(), "num_params is " + std::to_string(count) + ", but " +
                                             std::to_string(host_.paramCount() - 1) +
                                             " parameters were added after the input");
    r.check(host_.paramCount() == static_cast<int>(expected.size()) + 1,
            std::to_string(host_.paramCount() - 1) + " parameters published, expected " +
                std::to_string(expected.size()));
    for (std::size_t i = 0; i < expected.size() && i + 1 < host_.published().size(); ++i)
        checkPublishedParam(static_cast<int>(i + 1), host_.published()[i + 1], expected[i]);
    r.check(host_.optionsButtonName() == (host_.premiere() ? "" : " "),
            "the Options button is named \"" + host_.optionsButtonName() + "\"");
    // The custom interface: events for the effect's controls, nothing else.
    namespace U = raw::PF_CustomUIInfo;
    std::vector<std::uint8_t> ui(U::size, 0);
    const auto events = static_cast<std::int32_t>(C::PF_CustomEFlag_EFFECT);
    std::memcpy(ui.data() + U::events, &events, 4);
    for (const std::string& field : changedFields(ui, host_.customUI().data(), U::fields,
                                                  sizeof U::fields / sizeof U::fields[0]))
        r.fail("register_ui's PF_CustomUIInfo differs at " + field);
}

void CommandSequence::checkSequenceData(void* handle, bool resetUp) {
    Report& r = Report::get();
    if (!r.check(host_.handles().owns(handle) && host_.handles().size(handle) == kSequenceDataSize,
                 "sequence_data is not an 8192-byte handle from the host"))
        return;
    const std::uint8_t* block = host_.handles().block(handle);
    for (std::size_t i = 0; i < kSequenceDataSize; ++i) {
        if (i >= 32 && i < 40)
            continue;  // the instance, the module's own pointer
        const std::uint8_t wanted = resetUp && (i == 25 || (i == 24 && !host_.premiere())) ? 1 : 0;
        if (!r.check(block[i] == wanted, "sequence data byte " + std::to_string(i) + " is " +
                                             std::to_string(block[i]) + ", expected " +
                                             std::to_string(wanted)))
            return;
    }
    void* instance;
    std::memcpy(&instance, block + 32, sizeof instance);
    r.check(instance != nullptr, "sequence data holds no instance at byte 32");
}

void* CommandSequence::sequenceSetup() {
    ByteBlock in = host_.inData(nullptr, width_, height_);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_SEQUENCE_SETUP, "PF_Cmd_SEQUENCE_SETUP", in, out, nullptr, nullptr, nullptr,
         {"sequence_data"});
    void* sequence = out.get<void*>(O::sequence_data);
    checkSequenceData(sequence, false);
    return sequence;
}

void CommandSequence::updateParamsUI(void* sequence) {
    std::set<int> published;
    for (int i = 1; i < host_.paramCount(); ++i) published.insert(i);
    void** params = host_.paramArray(published);
    ByteBlock in = host_.inData(sequence, width_, height_);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_UPDATE_PARAMS_UI, "PF_Cmd_UPDATE_PARAMS_UI", in, out, params, nullptr, nullptr,
         {"out_flags"});
    Report& r = Report::get();
    const auto flags = out.get<std::uint32_t>(O::out_flags);
    r.check(flags == C::PF_OutFlag_REFRESH_UI, "out_flags after the update is " + hex(flags) +
                                                   ", expected PF_OutFlag_REFRESH_UI " +
                                                   flagsText(C::PF_OutFlag_REFRESH_UI));
    const std::vector<ExpectedParam>& expected = host_.expected().params;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const int index = static_cast<int>(i + 1);
        auto found = host_.uiUpdates().find(index);
        if (!r.check(found != host_.uiUpdates().end(),
                     "no PF_UpdateParamUI for parameter " + std::to_string(index)))
            continue;
        const std::string name = expected[i].type == "GROUP_END" ? "" : expected[i].name;
        r.check(found->second.first == name.substr(0, 31),
                "PF_UpdateParamUI names parameter " + std::to_string(index) + " \"" +
                    found->second.first + "\", expected \"" + name + "\"");
        r.check((found->second.second & ~C::PF_PUI_DISABLED) == 0,
                "PF_UpdateParamUI sets ui_flags " + hex(found->second.second) + " on parameter " +
                    std::to_string(index));
    }
}

void* CommandSequence::saveAndLoad(void* sequence) {
    Report& r = Report::get();
    const std::vector<std::uint8_t> before(host_.handles().block(sequence),
                                           host_.handles().block(sequence) + kSequenceDataSize);
    ByteBlock in = host_.inData(sequence, width_, height_);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_SEQUENCE_FLATTEN, "PF_Cmd_SEQUENCE_FLATTEN", in, out, nullptr, nullptr, nullptr,
         {"sequence_data"});
    void* flat = out.get<void*>(O::sequence_data);
    if (!r.check(flat != sequence && host_.handles().owns(flat) &&
                     host_.handles().size(flat) == kSequenceDataSize,
                 "flatten did not give a new 8192-byte handle"))
        return sequence;
    const std::uint8_t* flatBytes = host_.handles().block(flat);
    r.check(std::vector<std::uint8_t>(flatBytes, flatBytes + kSequenceDataSize) ==
                std::vector<std::uint8_t>(kSequenceDataSize, 0),
            "the flattened sequence data is not all zero");
    r.check(host_.handles().owns(sequence) &&
                std::equal(before.begin(), before.end(), host_.handles().block(sequence)),
            "flatten changed or disposed of the sequence data handed in");

    in = host_.inData(flat, width_, height_);
    out = host_.outData(in);
    send(C::PF_Cmd_SEQUENCE_RESETUP, "PF_Cmd_SEQUENCE_RESETUP", in, out, nullptr, nullptr, nullptr,
         {"sequence_data", "out_flags"});
    void* loaded = out.get<void*>(O::sequence_data);
    checkSequenceData(loaded, true);
    // A host of interface 13.9 or later is not asked to render again.
    const auto flags = out.get<std::uint32_t>(O::out_flags);
    r.check(flags == C::PF_OutFlag_REFRESH_UI, "out_flags after re-set-up is " + hex(flags) +
                                                   ", expected PF_OutFlag_REFRESH_UI " +
                                                   flagsText(C::PF_OutFlag_REFRESH_UI));
    // The flat data was the host's copy of the saved project; the block the
    // save replaced is set down as the host closes that instance.
    host_.handles().dispose(flat);
    setDown(sequence);
    return loaded;
}

void CommandSequence::setDown(void* sequence) {
    ByteBlock in = host_.inData(sequence, width_, height_);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_SEQUENCE_SETDOWN, "PF_Cmd_SEQUENCE_SETDOWN", in, out, nullptr, nullptr, nullptr,
         {}, {"sequence_data"});
    Report& r = Report::get();
    r.check(!host_.handles().owns(sequence), "set-down did not dispose of the sequence data");
    r.check(in.get<void*>(I::sequence_data) == nullptr,
            "set-down left in_data->sequence_data at " + std::to_string(I::sequence_data) + " set");
}

void CommandSequence::userChanges(void* sequence) {
    for (const auto& [name, value] : host_.expected().settings) {
        const int index = host_.paramIndex(name);
        host_.setFloatValue(index, value);
        void** params = host_.paramArray({index});
        ByteBlock extra("PF_UserChangedParamExtra", raw::PF_UserChangedParamExtra::size);
        extra.put<std::int32_t>(raw::PF_UserChangedParamExtra::param_index, index);
        host_.watch(&extra);
        ByteBlock in = host_.inData(sequence, width_, height_);
        ByteBlock out = host_.outData(in);
        send(C::PF_Cmd_USER_CHANGED_PARAM, ("PF_Cmd_USER_CHANGED_PARAM " + name).c_str(), in, out,
             params, nullptr, extra.data(), {});
    }
}

void CommandSequence::event(void* sequence) {
    // A click on the first colour parameter's control. The module marks it
    // handled only when a 3D point parameter comes after it.
    int color = 0, point = 0;
    for (int i = 1; i < host_.paramCount(); ++i) {
        std::int32_t type;
        std::memcpy(&type, host_.published()[i].def.data() + P::param_type, 4);
        if (type == C::PF_Param_COLOR && color == 0)
            color = i;
        if (type == C::PF_Param_POINT_3D && point == 0)
            point = i;
    }
    const int index = color ? color : 1;
    const bool handled = index >= color && index < point;
    namespace E = raw::PF_EventExtra;
    ByteBlock extra("PF_EventExtra", E::size);
    extra.put<std::int32_t>(E::e_type, static_cast<std::int32_t>(C::PF_Event_DO_CLICK));
    extra.put<std::int32_t>(E::effect_win_index, index);
    extra.put<std::int32_t>(E::evt_in_flags, 0);
    extra.put<std::int32_t>(E::evt_out_flags, static_cast<std::int32_t>(C::PF_EO_NONE));
    const std::vector<std::uint8_t> before = extra.snapshot();
    ByteBlock in = host_.inData(sequence, width_, height_);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_EVENT, "PF_Cmd_EVENT", in, out, nullptr, nullptr, extra.data(), {});
    Report& r = Report::get();
    for (const std::string& field :
         changedFields(before, extra.data(), E::fields, sizeof E::fields / sizeof E::fields[0])) {
        r.check(handled && field.rfind("evt_out_flags", 0) == 0,
                "the module wrote PF_EventExtra." + field);
    }
    const long beyond = extra.firstWriteBeyond();
    r.check(beyond < 0, "write past PF_EventExtra at byte " + std::to_string(beyond));
    const auto flags = extra.get<std::int32_t>(E::evt_out_flags);
    const auto wanted = static_cast<std::int32_t>(handled ? C::PF_EO_HANDLED_EVENT : C::PF_EO_NONE);
    r.check(flags == wanted, "evt_out_flags at " + std::to_string(E::evt_out_flags) + " is " +
                                 std::to_string(flags) + ", expected " + std::to_string(wanted));
}

void CommandSequence::globalSetdown() {
    ByteBlock in = host_.inData(nullptr, 0, 0);
    ByteBlock out = host_.outData(in);
    send(C::PF_Cmd_GLOBAL_SETDOWN, "PF_Cmd_GLOBAL_SETDOWN", in, out, nullptr, nullptr, nullptr, {});
}
