// The suites the host offers through its basic suite, by name and version,
// and the functions behind them.
#include <cstring>

#include "HostCallbacks.h"

using C = SimulatedHost::Callbacks;

namespace {

// Each table has every slot of its version; the slots of functions the
// engine does not use stay null, so a call through one fails at once.
const PF_HandleSuite1 handleSuite = {
    C::newHandle, C::lockHandle, C::unlockHandle, C::disposeHandle, {}};
const AEGP_UtilitySuite3 utilitySuite = {{}, C::registerWithAegp, {}};
const AEGP_PFInterfaceSuite1 pfInterfaceSuite = {C::getEffectLayer, {}};
const AEGP_LayerSuite5 layerSuite = {{}, C::getLayerParentComp, {}};
const AEGP_CompSuite4 compSuite = {{}, C::getItemFromComp, {}};
const AEGP_ItemSuite6 itemSuite = {{}, C::getItemDimensions, C::getItemPixelAspectRatio, {}};
const PF_WorldSuite2 worldSuite = {{}, C::getPixelFormat};
const PF_PixelDataSuite1 pixelDataSuite = {C::getPixelData8, C::getPixelData16,
                                           C::getPixelDataFloat};
const PF_ColorParamSuite1 colorParamSuite = {C::floatColor};
const PF_ParamUtilsSuite3 paramUtilsSuite3 = {C::updateParamUI, {}};
const PF_ParamUtilsSuite1 paramUtilsSuite2 = {C::updateParamUI, {}};
const PF_EffectUISuite1 effectUISuite = {C::setOptionsButtonName};
const PF_PixelFormatSuite1 pixelFormatSuite = {
    C::addPixelFormat, C::clearPixelFormats, {}, C::getPremierePixelFormat, {}};
const PrSDKSequenceInfoSuite sequenceInfoSuite = {C::getFrameRect, C::getTimelinePixelAspect, {}};
const PF_UtilitySuite3 pfUtilitySuite = {{}, C::getContainingTimelineID, {}};

enum class Offered { Both, AfterEffects, Premiere };

struct SuiteEntry {
    const char* name;
    std::int32_t version;
    const void* suite;
    Offered by;
};

// The versions the host's headers publish: the parameter utilities at 3 and
// at 2 (which they call PF_ParamUtilsSuite1), not at 1.
const SuiteEntry suiteTable[] = {
    {kPFHandleSuite, kPFHandleSuiteVersion1, &handleSuite, Offered::Both},
    {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3, &utilitySuite, Offered::Both},
    {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &pfInterfaceSuite,
     Offered::AfterEffects},
    {kAEGPLayerSuite, kAEGPLayerSuiteVersion5, &layerSuite, Offered::AfterEffects},
    {kAEGPCompSuite, kAEGPCompSuiteVersion4, &compSuite, Offered::AfterEffects},
    {kAEGPItemSuite, kAEGPItemSuiteVersion6, &itemSuite, Offered::AfterEffects},
    {kPFWorldSuite, kPFWorldSuiteVersion2, &worldSuite, Offered::Both},
    {kPFPixelDataSuite, kPFPixelDataSuiteVersion1, &pixelDataSuite, Offered::Both},
    {kPFColorParamSuite, kPFColorParamSuiteVersion1, &colorParamSuite, Offered::Both},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1, &paramUtilsSuite2, Offered::Both},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &paramUtilsSuite3, Offered::Both},
    {kPFEffectUISuite, kPFEffectUISuiteVersion1, &effectUISuite, Offered::Both},
    {kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1, &pixelFormatSuite, Offered::Premiere},
    {kPrSDKSequenceInfoSuite, kPrSDKSequenceInfoSuiteVersion2, &sequenceInfoSuite,
     Offered::Premiere},
    {kPFUtilitySuite, kPFUtilitySuiteVersion3, &pfUtilitySuite, Offered::Premiere},
};

constexpr SPErr kSuiteNotFound = 1;

}  // namespace

SPErr C::acquireSuite(const char* name, std::int32_t version, const void** suite) noexcept {
    return guarded([&](SimulatedHost& h) -> SPErr {
        if (!name || !suite)
            return kSuiteNotFound;
        *suite = nullptr;
        if (h.refusedSuites_.count(name))
            return kSuiteNotFound;
        const bool premiere = h.application_ == HostApplication::Premiere;
        for (const SuiteEntry& entry : suiteTable) {
            if (std::strcmp(entry.name, name) != 0 || entry.version != version)
                continue;
            if ((entry.by == Offered::Premiere && !premiere) ||
                (entry.by == Offered::AfterEffects && premiere))
                return kSuiteNotFound;
            *suite = entry.suite;
            ++h.acquired_[{name, version}];
            return 0;
        }
        return kSuiteNotFound;
    });
}

SPErr C::releaseSuite(const char* name, std::int32_t version) noexcept {
    return guarded([&](SimulatedHost& h) -> SPErr {
        if (!name)
            return kSuiteNotFound;
        --h.acquired_[{name, version}];
        return 0;
    });
}

// Handle suite.

PF_Handle C::newHandle(std::uint64_t size) noexcept {
    SimulatedHost* h = host();
    try {
        return h ? h->handles_.allocate(size) : nullptr;
    } catch (...) {
        return nullptr;  // no memory for the block: the effect sees a null handle
    }
}

void* C::lockHandle(PF_Handle handle) noexcept {
    SimulatedHost* h = host();
    return h ? h->handles_.lock(handle) : nullptr;
}

void C::unlockHandle(PF_Handle handle) noexcept {
    if (SimulatedHost* h = host())
        h->handles_.unlock(handle);
}

void C::disposeHandle(PF_Handle handle) noexcept {
    if (SimulatedHost* h = host())
        h->handles_.dispose(handle);
}

// AEGP suites. Each handle is the address of a tag in the instance it
// belongs to, so every step of the composition query answers per instance.

A_Err C::registerWithAegp(AEGP_GlobalRefcon, const A_char* name, AEGP_PluginID* id) noexcept {
    return guarded([&](SimulatedHost& h) -> A_Err {
        if (h.registrationError_ != A_Err_NONE)
            return h.registrationError_;
        h.registeredName_ = name ? name : "";
        if (id)
            *id = kPluginId;
        return A_Err_NONE;
    });
}

HostInstance* C::byTag(const void* handle, const char HostInstance::*tag) {
    SimulatedHost* h = host();
    if (!h || !handle)
        return nullptr;
    for (const auto& entry : h->instances_)
        if (&(entry.second.get()->*tag) == handle)
            return entry.second.get();
    return nullptr;
}

A_Err C::getEffectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layer) noexcept {
    return guarded([&](SimulatedHost& h) -> A_Err {
        HostInstance* instance = h.instanceFor(effect_ref);
        if (!instance || !layer)
            return A_Err_GENERIC;
        *layer = reinterpret_cast<AEGP_LayerH>(const_cast<char*>(&instance->layerTag));
        return A_Err_NONE;
    });
}

A_Err C::getLayerParentComp(AEGP_LayerH layer, AEGP_CompH* comp) noexcept {
    return guarded([&](SimulatedHost&) -> A_Err {
        HostInstance* instance = byTag(layer, &HostInstance::layerTag);
        if (!instance || !comp)
            return A_Err_GENERIC;
        *comp = reinterpret_cast<AEGP_CompH>(const_cast<char*>(&instance->compTag));
        return A_Err_NONE;
    });
}

A_Err C::getItemFromComp(AEGP_CompH comp, AEGP_ItemH* item) noexcept {
    return guarded([&](SimulatedHost&) -> A_Err {
        HostInstance* instance = byTag(comp, &HostInstance::compTag);
        if (!instance || !item)
            return A_Err_GENERIC;
        *item = reinterpret_cast<AEGP_ItemH>(const_cast<char*>(&instance->itemTag));
        return A_Err_NONE;
    });
}

A_Err C::getItemDimensions(AEGP_ItemH item, A_long* width, A_long* height) noexcept {
    return guarded([&](SimulatedHost&) -> A_Err {
        HostInstance* instance = byTag(item, &HostInstance::itemTag);
        if (!instance || !width || !height)
            return A_Err_GENERIC;
        *width = instance->composition.width;
        *height = instance->composition.height;
        return A_Err_NONE;
    });
}

A_Err C::getItemPixelAspectRatio(AEGP_ItemH item, A_Ratio* ratio) noexcept {
    return guarded([&](SimulatedHost&) -> A_Err {
        HostInstance* instance = byTag(item, &HostInstance::itemTag);
        if (!instance || !ratio)
            return A_Err_GENERIC;
        *ratio = instance->composition.pixelAspect;
        return A_Err_NONE;
    });
}

// Image suites: they answer only for images the host handed out.

PF_Err C::getPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        const int depth = h.depthOf(world);
        if (!format || depth == 0)
            return PF_Err_BAD_CALLBACK_PARAM;
        *format = depth == 8    ? PF_PixelFormat_ARGB32
                  : depth == 16 ? PF_PixelFormat_ARGB64
                                : PF_PixelFormat_ARGB128;
        return PF_Err_NONE;
    });
}

namespace {

// The pixel data getters: the image's pixels when it has the getter's depth,
// else null.
template <class Pixel>
PF_Err pixelData(int wanted, PF_EffectWorld* world, PF_PixelPtr pixels, Pixel** result) {
    return C::guarded([&](SimulatedHost& h) -> PF_Err {
        if (!result)
            return PF_Err_BAD_CALLBACK_PARAM;
        *result = nullptr;
        const int depth = C::worldDepth(h, world);
        if (depth == 0)
            return PF_Err_BAD_CALLBACK_PARAM;
        if (depth == wanted)
            *result = static_cast<Pixel*>(pixels ? pixels : world->data);
        return PF_Err_NONE;
    });
}

}  // namespace

PF_Err C::getPixelData8(PF_EffectWorld* world, PF_PixelPtr pixels, PF_Pixel8** result) noexcept {
    return pixelData(8, world, pixels, result);
}

PF_Err C::getPixelData16(PF_EffectWorld* world, PF_PixelPtr pixels, PF_Pixel16** result) noexcept {
    return pixelData(16, world, pixels, result);
}

PF_Err C::getPixelDataFloat(PF_EffectWorld* world, PF_PixelPtr pixels,
                            PF_PixelFloat** result) noexcept {
    return pixelData(32, world, pixels, result);
}

// Parameter and interface suites.

PF_Err C::floatColor(PF_ProgPtr, const PF_ParamDef* def, PF_PixelFloat* color) noexcept {
    return guarded([&](SimulatedHost&) -> PF_Err {
        if (!def || !color || def->param_type != PF_Param_COLOR)
            return PF_Err_BAD_CALLBACK_PARAM;
        const PF_Pixel& p = def->u.cd.value;
        *color = PF_PixelFloat{p.alpha / 255.0f, p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f};
        return PF_Err_NONE;
    });
}

PF_Err C::updateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index,
                        const PF_ParamDef* def) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        HostInstance* instance = h.instanceFor(effect_ref);
        if (!instance || !def)
            return PF_Err_BAD_CALLBACK_PARAM;
        if (index <= 0 || index >= static_cast<PF_ParamIndex>(instance->ui.size()))
            return PF_Err_INVALID_INDEX;
        if (def->param_type != h.published_.at(index).param_type)
            return PF_Err_BAD_CALLBACK_PARAM;
        ParamUI& ui = instance->ui[static_cast<std::size_t>(index)];
        ui.name.assign(def->name, strnlen(def->name, PF_MAX_EFFECT_PARAM_NAME_LEN));
        ui.uiFlags = def->ui_flags;
        return PF_Err_NONE;
    });
}

PF_Err C::setOptionsButtonName(PF_ProgPtr, const A_char* name) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        if (!name)
            return PF_Err_BAD_CALLBACK_PARAM;
        h.optionsButtonName_ = name;
        return PF_Err_NONE;
    });
}

// Premiere Pro suites.

PF_Err C::addPixelFormat(PF_ProgPtr, PrPixelFormat format) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        h.pixelFormats_.push_back(format);
        return PF_Err_NONE;
    });
}

PF_Err C::clearPixelFormats(PF_ProgPtr) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        h.pixelFormats_.clear();
        return PF_Err_NONE;
    });
}

PF_Err C::getPremierePixelFormat(PF_EffectWorld* world, PrPixelFormat* format) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        const int depth = h.depthOf(world);
        if (!format || depth == 0)
            return PF_Err_BAD_CALLBACK_PARAM;
        *format = depth == 8    ? PrPixelFormat_BGRA_4444_8u
                  : depth == 16 ? PrPixelFormat_BGRA_4444_16u
                                : PrPixelFormat_BGRA_4444_32f;
        return PF_Err_NONE;
    });
}

// Premiere Pro names the sequence an instance lies in by a timeline id: the
// instance's own id.

PF_Err C::getFrameRect(PrTimelineID timeline, prRect* rect) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        auto found = h.instances_.find(timeline);
        if (found == h.instances_.end() || !rect)
            return PF_Err_BAD_CALLBACK_PARAM;
        const Composition& c = found->second->composition;
        *rect = prRect{0, 0, c.width, c.height};
        return PF_Err_NONE;
    });
}

PF_Err C::getTimelinePixelAspect(PrTimelineID timeline, csSDK_uint32* num,
                                 csSDK_uint32* den) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        auto found = h.instances_.find(timeline);
        if (found == h.instances_.end() || !num || !den)
            return PF_Err_BAD_CALLBACK_PARAM;
        const A_Ratio& ratio = found->second->composition.pixelAspect;
        *num = static_cast<csSDK_uint32>(ratio.num);
        *den = static_cast<csSDK_uint32>(ratio.den);
        return PF_Err_NONE;
    });
}

PF_Err C::getContainingTimelineID(PF_ProgPtr effect_ref, PrTimelineID* timeline) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        HostInstance* instance = h.instanceFor(effect_ref);
        if (!instance || !timeline)
            return PF_Err_BAD_CALLBACK_PARAM;
        *timeline = instance->id;
        return PF_Err_NONE;
    });
}
