#include "RawHost.h"

#include <cmath>
#include <stdexcept>

#include "Report.h"

namespace {

RawHost* activeHost = nullptr;

namespace I = raw::PF_InData;
namespace O = raw::PF_OutData;
namespace P = raw::PF_ParamDef;

constexpr std::int32_t kAfterEffectsId = 0x46584354;
constexpr std::int32_t kPremiereId = 0x50724D72;  // "PrMr"; the facts hold no constant for it

}  // namespace

RawHost::RawHost(EntryPoint entry, void* module, Application application, Expectations expected)
    : entry_(entry),
      module_(module),
      application_(application),
      expected_(std::move(expected)),
      effectRef_("effect_ref", 64),
      interact_(CallbackTable::make<kInteract, raw::PF_InteractCallbacks::slots>(
          "PF_InteractCallbacks", raw::PF_InteractCallbacks::size)),
      util_(CallbackTable::make<kUtil, raw::PF_UtilCallbacks::slots>("PF_UtilCallbacks",
                                                                     raw::PF_UtilCallbacks::size)),
      basic_(CallbackTable::make<kBasic, raw::SPBasicSuite::slots>("SPBasicSuite",
                                                                   raw::SPBasicSuite::size)),
      preRender_(CallbackTable::make<kPreRender, raw::PF_PreRenderCallbacks::slots>(
          "PF_PreRenderCallbacks", raw::PF_PreRenderCallbacks::size)),
      smartRender_(CallbackTable::make<kSmartRender, raw::PF_SmartRenderCallbacks::slots>(
          "PF_SmartRenderCallbacks", raw::PF_SmartRenderCallbacks::size)) {
    if (activeHost)
        throw std::logic_error("one raw host at a time");
    activeHost = this;
    buildTables();
    buildSuites();
    // Host index 0 is the input layer, which the host adds itself.
    published_.push_back({std::vector<std::uint8_t>(P::size, 0), ""});
    values_.push_back(published_.back().def);
}

RawHost::~RawHost() {
    activeHost = nullptr;
}

RawHost& RawHost::active() {
    if (!activeHost)
        throw std::logic_error("no raw host is active");
    return *activeHost;
}

ByteBlock RawHost::inData(void* sequenceData, int width, int height, void* frameData) {
    ByteBlock in("PF_InData", I::size);
    std::memcpy(in.data() + I::inter, interact_.data(), raw::PF_InteractCallbacks::size);
    in.putPointer(I::utils, util_.data());
    in.putPointer(I::effect_ref, effectRef());
    in.put<std::int16_t>(I::version + raw::PF_SpecVersion::major, raw::about::pf_plug_in_version);
    in.put<std::int16_t>(I::version + raw::PF_SpecVersion::minor, raw::about::pf_plug_in_subvers);
    in.put<std::int32_t>(I::appl_id, premiere() ? kPremiereId : kAfterEffectsId);
    in.put<std::int32_t>(I::current_time, time_.value);
    in.put<std::int32_t>(I::time_step, time_.step);
    in.put<std::uint32_t>(I::time_scale, time_.scale);
    in.put<std::int32_t>(I::width, width);
    in.put<std::int32_t>(I::height, height);
    for (std::size_t ratio : {I::downsample_x, I::downsample_y, I::pixel_aspect_ratio}) {
        in.put<std::int32_t>(ratio + raw::PF_RationalScale::num, 1);
        in.put<std::uint32_t>(ratio + raw::PF_RationalScale::den, 1);
    }
    in.putPointer(I::sequence_data, sequenceData);
    in.putPointer(I::frame_data, frameData);
    in.putPointer(I::pica_basicP, basic_.data());
    in.put<std::int32_t>(I::pre_effect_source_origin_x, 0);
    in.put<std::int32_t>(I::pre_effect_source_origin_y, 0);
    return in;
}

ByteBlock RawHost::outData(const ByteBlock& in) {
    ByteBlock out("PF_OutData", O::size);
    out.put<std::int32_t>(O::out_flags, 0);
    out.put<std::int32_t>(O::out_flags2, 0);
    out.putPointer(O::global_data, globalData_);
    out.putPointer(O::sequence_data, in.get<void*>(I::sequence_data));
    out.putPointer(O::frame_data, in.get<void*>(I::frame_data));
    out.put<std::int32_t>(O::width, in.get<std::int32_t>(I::width));
    out.put<std::int32_t>(O::height, in.get<std::int32_t>(I::height));
    return out;
}

namespace {

// Fails the run for every field of `block` that changed but may not have.
void checkWrites(const ByteBlock& block, const std::vector<std::uint8_t>& before,
                 const raw::Field* fields, std::size_t count,
                 const std::set<std::string>& mayWrite) {
    for (const std::string& field : changedFields(before, block.data(), fields, count)) {
        const std::string name = field.substr(0, field.find(' '));
        Report::get().check(mayWrite.count(name) != 0,
                            "the module wrote " + block.name() + "." + field);
    }
    const long beyond = block.firstWriteBeyond();
    Report::get().check(beyond < 0,
                        "write past " + block.name() + " at byte " + std::to_string(beyond));
}

}  // namespace

std::int32_t RawHost::send(std::int32_t cmd, ByteBlock& in, ByteBlock& out, void* params,
                           void* output, void* extra, const std::set<std::string>& outMayWrite,
                           const std::set<std::string>& inMayWrite) {
    const std::vector<std::uint8_t> inBefore = in.snapshot();
    const std::vector<std::uint8_t> outBefore = out.snapshot();
    std::vector<std::vector<std::uint8_t>> watchedBefore;
    for (const ByteBlock* block : watched_) watchedBefore.push_back(block->snapshot());
    std::vector<const ByteBlock*> tables = {&util_.block(), &basic_.block(), &effectRef_,
                                            &preRender_.block(), &smartRender_.block()};
    for (const auto& entry : suites_) tables.push_back(&entry.second->block());
    std::vector<std::vector<std::uint8_t>> tablesBefore;
    for (const ByteBlock* block : tables) tablesBefore.push_back(block->snapshot());

    currentCommand_ = cmd;
    const std::int32_t result = entry_(cmd, in.data(), out.data(), params, output, extra);
    currentCommand_ = -1;

    checkWrites(in, inBefore, I::fields, sizeof I::fields / sizeof I::fields[0], inMayWrite);
    checkWrites(out, outBefore, O::fields, sizeof O::fields / sizeof O::fields[0], outMayWrite);
    for (std::size_t i = 0; i < watched_.size(); ++i) {
        Report::get().check(watched_[i]->snapshot() == watchedBefore[i],
                            "the module wrote into " + watched_[i]->name() + ", the host's");
        const long beyond = watched_[i]->firstWriteBeyond();
        Report::get().check(
            beyond < 0, "write past " + watched_[i]->name() + " at byte " + std::to_string(beyond));
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
        Report::get().check(
            tables[i]->snapshot() == tablesBefore[i] && tables[i]->firstWriteBeyond() < 0,
            "the module wrote into the host's " + tables[i]->name());
    }
    handles_.checkGuards();
    for (auto& entry : acquired_) {
        Report::get().check(entry.second == 0, "suite \"" + entry.first.first + "\" " +
                                                   std::to_string(entry.first.second) +
                                                   " acquired " + std::to_string(entry.second) +
                                                   " more time(s) than released");
        entry.second = 0;
    }
    Report::get().check(checkedOut_.empty(), std::to_string(checkedOut_.size()) +
                                                 " parameter(s) checked out and not checked in");
    checkedOut_.clear();
    watched_.clear();
    return result;
}

int RawHost::paramIndex(const std::string& name) const {
    for (std::size_t i = 1; i < published_.size(); ++i) {
        const char* label = reinterpret_cast<const char*>(published_[i].def.data() + P::name);
        if (name == std::string(label, strnlen(label, 32)))
            return static_cast<int>(i);
    }
    throw std::runtime_error("the module published no parameter \"" + name + "\"");
}

void RawHost::addPublished(PublishedParam param) {
    std::vector<std::uint8_t> value = param.def;
    std::int32_t type;
    std::memcpy(&type, value.data() + P::param_type, sizeof type);
    // The host keeps its own copy of the text a definition points to.
    std::size_t offset = 0;
    if (textFieldOf(type, &offset)) {
        valueTexts_.push_back(param.text);
        const char* text = valueTexts_.back().c_str();
        std::memcpy(value.data() + offset, &text, sizeof text);
    }
    published_.push_back(std::move(param));
    values_.push_back(std::move(value));
}

std::vector<std::uint8_t> RawHost::paramValue(int index) const {
    std::vector<std::uint8_t> def = values_.at(index);
    std::int32_t type;
    std::memcpy(&type, def.data() + P::param_type, sizeof type);
    if (type == raw::constants::PF_Param_POINT) {
        // A point's default is a percentage of the layer's size; its value a
        // position in the layer's pixels, both 16.16 fixed point.
        namespace T = raw::PF_PointDef;
        auto position = [&](std::size_t dephault, std::size_t value, int size) {
            std::int32_t percent;
            std::memcpy(&percent, def.data() + P::u + dephault, sizeof percent);
            const auto fixed =
                static_cast<std::int32_t>(std::lround(percent / 65536.0 / 100.0 * size * 65536.0));
            std::memcpy(def.data() + P::u + value, &fixed, sizeof fixed);
        };
        position(T::x_dephault, T::x_value, layerWidth_);
        position(T::y_dephault, T::y_value, layerHeight_);
    }
    return def;
}

void RawHost::setFloatValue(int index, double value) {
    std::memcpy(values_.at(index).data() + P::u + raw::PF_FloatSliderDef::value, &value,
                sizeof value);
}

void** RawHost::paramArray(const std::set<int>& readable) {
    paramBlocks_.clear();
    paramPointers_.assign(published_.size(), nullptr);
    std::memset(paramPointers_.data(), kCanary, paramPointers_.size() * sizeof(void*));
    for (int index : readable) {
        auto block = std::make_unique<ByteBlock>("params[" + std::to_string(index) + "]", P::size);
        if (index == 0 && input_) {
            // The input layer: its definition holds the image as a layer.
            std::memcpy(block->data() + P::u, input_->def(), raw::PF_LayerDef::size);
            inputAlias_ = block->data() + P::u;
        } else {
            std::memcpy(block->data(), paramValue(index).data(), P::size);
        }
        paramPointers_[index] = block->data();
        watch(block.get());
        paramBlocks_.push_back(std::move(block));
    }
    return paramPointers_.data();
}

void RawHost::beginFrame(int layerWidth, int layerHeight, HostTime time, World* input,
                         World* output) {
    layerWidth_ = layerWidth;
    layerHeight_ = layerHeight;
    time_ = time;
    input_ = input;
    output_ = output;
    checkouts_.clear();
}

void RawHost::endFrame() {
    input_ = output_ = nullptr;
    inputAlias_ = nullptr;
    checkouts_.clear();
}

CallbackTable* RawHost::suite(const std::string& name, std::int32_t version) {
    auto found = suites_.find({name, version});
    return found == suites_.end() ? nullptr : found->second.get();
}

World* RawHost::worldAt(const void* def) const {
    if (input_ && (def == input_->def() || def == inputAlias_))
        return input_;
    if (output_ && def == output_->def())
        return output_;
    return nullptr;
}
