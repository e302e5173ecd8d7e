// The suites the raw host offers through its basic suite: one table per
// name and version that the facts lay out, each of the facts' size, with the
// host's functions in the slots the facts give and traps in the others.
#include <cstring>

#include "CallbackChecks.h"
#include "Signature.h"

namespace {

namespace P = raw::PF_ParamDef;
namespace C = raw::constants;
namespace S = raw::suite;

RawHost& host() {
    return RawHost::active();
}

// Opaque AEGP handles: addresses the host owns, one per kind.
const char layerTag = 0, compTag = 0, itemTag = 0;

template <class T>
void write(void* to, T value) {
    std::memcpy(to, &value, sizeof value);
}

// "PF Handle Suite".
void* newHandle(std::uint64_t size) {
    return host().handles().allocate(size);
}
void* lockHandle(void* handle) {
    std::uint8_t* block = host().handles().block(handle);
    Report::get().check(block != nullptr, "host_lock_handle of a handle the host does not hold");
    return block;
}
void unlockHandle(void* handle) {
    Report::get().check(host().handles().owns(handle),
                        "host_unlock_handle of a handle the host does not hold");
}
void disposeHandle(void* handle) {
    if (Report::get().check(host().handles().owns(handle),
                            "host_dispose_handle of a handle the host does not hold"))
        host().handles().dispose(handle);
}

// AEGP suites: the composition of the layer the effect is applied to.
std::int32_t registerWithAegp(void* refcon, const char* name, void* id) {
    Report::get().check(refcon == nullptr, "AEGP_RegisterWithAEGP with a global refcon");
    host().setRegisteredName(name ? name : "(null)");
    write<std::int32_t>(id, RawHost::kPluginId);
    return 0;
}
std::int32_t getEffectLayer(void* effect_ref, void* layer) {
    fromModule(effect_ref, "AEGP_GetEffectLayer");
    write(layer, &layerTag);
    return 0;
}
std::int32_t getLayerParentComp(void* layer, void* comp) {
    if (layer != &layerTag)
        return badParam("AEGP_GetLayerParentComp of a layer the host did not give");
    write(comp, &compTag);
    return 0;
}
std::int32_t getItemFromComp(void* comp, void* item) {
    if (comp != &compTag)
        return badParam("AEGP_GetItemFromComp of a composition the host did not give");
    write(item, &itemTag);
    return 0;
}
std::int32_t getItemDimensions(void* item, void* width, void* height) {
    if (item != &itemTag)
        return badParam("AEGP_GetItemDimensions of an item the host did not give");
    write<std::int32_t>(width, RawHost::kCompWidth);
    write<std::int32_t>(height, RawHost::kCompHeight);
    return 0;
}
std::int32_t getItemPixelAspectRatio(void* item, void* ratio) {
    if (item != &itemTag)
        return badParam("AEGP_GetItemPixelAspectRatio of an item the host did not give");
    auto* bytes = static_cast<std::uint8_t*>(ratio);
    write<std::int32_t>(bytes + raw::A_Ratio::num, 1);
    write<std::int32_t>(bytes + raw::A_Ratio::den, 1);
    return 0;
}

// Images: the depth of an image the host handed out, and its pixels.
World* world(void* def, const char* function) {
    World* w = host().worldAt(def);
    Report::get().check(w != nullptr, std::string(function) + " of an image the host did not give");
    return w;
}
std::int32_t getPixelFormat(void* def, void* format) {
    World* w = world(def, "PF_GetPixelFormat");
    if (!w)
        return static_cast<std::int32_t>(C::PF_Err_BAD_CALLBACK_PARAM);
    write<std::int32_t>(format,
                        static_cast<std::int32_t>(w->depth() == 8    ? C::PF_PixelFormat_ARGB32
                                                  : w->depth() == 16 ? C::PF_PixelFormat_ARGB64
                                                                     : C::PF_PixelFormat_ARGB128));
    return 0;
}
template <int Depth>
std::int32_t pixelData(void* def, void* pixels, void* result) {
    World* w = world(def, "a PF Pixel Data Suite getter");
    if (!w)
        return static_cast<std::int32_t>(C::PF_Err_BAD_CALLBACK_PARAM);
    void* answer = w->depth() == Depth ? (pixels ? pixels : w->pixels()) : nullptr;
    write(result, answer);
    return 0;
}

// Parameters and the effect's controls.
std::int32_t floatColor(void* effect_ref, void* def, void* color) {
    fromModule(effect_ref, "PF_GetFloatingPointColorFromColorDef");
    const auto* bytes = static_cast<const std::uint8_t*>(def);
    std::int32_t type;
    std::memcpy(&type, bytes + P::param_type, sizeof type);
    if (type != C::PF_Param_COLOR)
        return badParam("PF_GetFloatingPointColorFromColorDef of a definition of type " +
                        std::to_string(type));
    const std::uint8_t* pixel = bytes + P::u + raw::PF_ColorDef::value;
    auto* out = static_cast<std::uint8_t*>(color);
    namespace F = raw::PF_PixelFloat;
    namespace B = raw::PF_Pixel;
    write(out + F::alpha, pixel[B::alpha] / 255.0f);
    write(out + F::red, pixel[B::red] / 255.0f);
    write(out + F::green, pixel[B::green] / 255.0f);
    write(out + F::blue, pixel[B::blue] / 255.0f);
    return 0;
}
std::int32_t updateParamUI(void* effect_ref, std::int32_t index, void* def) {
    fromModule(effect_ref, "PF_UpdateParamUI");
    RawHost& h = host();
    if (index <= 0 || index >= h.paramCount() || !def)
        return badParam("PF_UpdateParamUI of parameter " + std::to_string(index));
    // The module's copy of the host's definition, with only its interface
    // flags and name changed.
    std::vector<std::uint8_t> mine = h.paramValue(index);
    const auto* theirs = static_cast<const std::uint8_t*>(def);
    for (const std::string& field :
         changedFields(mine, theirs, P::fields, sizeof P::fields / sizeof P::fields[0])) {
        const std::string name = field.substr(0, field.find(' '));
        Report::get().check(name == "ui_flags" || name == "name",
                            "PF_UpdateParamUI of parameter " + std::to_string(index) +
                                " changes the host's definition at " + field);
    }
    const char* label = reinterpret_cast<const char*>(theirs + P::name);
    std::int32_t flags;
    std::memcpy(&flags, theirs + P::ui_flags, sizeof flags);
    h.recordUIUpdate(index, std::string(label, strnlen(label, 32)), flags);
    return 0;
}
std::int32_t nameOptionsButton(void* effect_ref, const char* name) {
    fromModule(effect_ref, "PF_SetOptionsButtonName");
    host().setOptionsButtonName(name ? name : "(null)");
    return 0;
}

// Premiere Pro.
std::int32_t addPixelFormat(void* effect_ref, std::int32_t format) {
    fromModule(effect_ref, "AddSupportedPixelFormat");
    host().pixelFormatList().push_back(static_cast<std::uint32_t>(format));
    return 0;
}
std::int32_t clearPixelFormats(void* effect_ref) {
    fromModule(effect_ref, "ClearSupportedPixelFormats");
    host().pixelFormatList().clear();
    return 0;
}
std::int32_t getPremierePixelFormat(void* def, void* format) {
    World* w = world(def, "GetPixelFormat");
    if (!w)
        return static_cast<std::int32_t>(C::PF_Err_BAD_CALLBACK_PARAM);
    write<std::int32_t>(
        format, static_cast<std::int32_t>(w->depth() == 8    ? C::PrPixelFormat_BGRA_4444_8u
                                          : w->depth() == 16 ? C::PrPixelFormat_BGRA_4444_16u
                                                             : C::PrPixelFormat_BGRA_4444_32f));
    return 0;
}
std::int32_t getFrameRect(std::int32_t timeline, void* rect) {
    if (timeline != RawHost::kTimeline)
        return badParam("GetFrameRect of timeline " + std::to_string(timeline));
    auto* bytes = static_cast<std::uint8_t*>(rect);
    write<std::int32_t>(bytes + raw::prRect::left, 0);
    write<std::int32_t>(bytes + raw::prRect::top, 0);
    write<std::int32_t>(bytes + raw::prRect::right, RawHost::kCompWidth);
    write<std::int32_t>(bytes + raw::prRect::bottom, RawHost::kCompHeight);
    return 0;
}
std::int32_t getTimelinePixelAspect(std::int32_t timeline, void* num, void* den) {
    if (timeline != RawHost::kTimeline)
        return badParam("GetPixelAspectRatio of timeline " + std::to_string(timeline));
    write<std::uint32_t>(num, 1);
    write<std::uint32_t>(den, 1);
    return 0;
}
std::int32_t getContainingTimelineID(void* effect_ref, void* timeline) {
    fromModule(effect_ref, "GetContainingTimelineID");
    write<std::int32_t>(timeline, RawHost::kTimeline);
    return 0;
}

enum class Offered { Both, AfterEffects, Premiere };

}  // namespace

// A suite's table: the facts' size, and traps in all of its slots so far.
#define RAW_SUITE(Table, Facts)                                                         \
    CallbackTable::make<Table, Facts::slots>(                                           \
        std::string("suite \"") + Facts::name + "\" " + std::to_string(Facts::version), \
        Facts::size)

void RawHost::buildSuites() {
    CallbackTable handles = RAW_SUITE(kHandleSuite, S::PF_Handle_Suite_2);
    RAW_INSTALL(handles, S::PF_Handle_Suite_2, host_new_handle, newHandle);
    RAW_INSTALL(handles, S::PF_Handle_Suite_2, host_lock_handle, lockHandle);
    RAW_INSTALL(handles, S::PF_Handle_Suite_2, host_unlock_handle, unlockHandle);
    RAW_INSTALL(handles, S::PF_Handle_Suite_2, host_dispose_handle, disposeHandle);
    CallbackTable utility = RAW_SUITE(kAegpUtilitySuite, S::AEGP_Utility_Suite_7);
    RAW_INSTALL(utility, S::AEGP_Utility_Suite_7, AEGP_RegisterWithAEGP, registerWithAegp);
    CallbackTable effects = RAW_SUITE(kAegpPFInterfaceSuite, S::AEGP_PF_Interface_Suite_1);
    RAW_INSTALL(effects, S::AEGP_PF_Interface_Suite_1, AEGP_GetEffectLayer, getEffectLayer);
    CallbackTable layers = RAW_SUITE(kAegpLayerSuite, S::AEGP_Layer_Suite_11);
    RAW_INSTALL(layers, S::AEGP_Layer_Suite_11, AEGP_GetLayerParentComp, getLayerParentComp);
    CallbackTable comps = RAW_SUITE(kAegpCompSuite, S::AEGP_Comp_Suite_9);
    RAW_INSTALL(comps, S::AEGP_Comp_Suite_9, AEGP_GetItemFromComp, getItemFromComp);
    CallbackTable items = RAW_SUITE(kAegpItemSuite, S::AEGP_Item_Suite_10);
    RAW_INSTALL(items, S::AEGP_Item_Suite_10, AEGP_GetItemDimensions, getItemDimensions);
    RAW_INSTALL(items, S::AEGP_Item_Suite_10, AEGP_GetItemPixelAspectRatio,
                getItemPixelAspectRatio);
    CallbackTable worlds = RAW_SUITE(kWorldSuite, S::PF_World_Suite_2);
    RAW_INSTALL(worlds, S::PF_World_Suite_2, PF_GetPixelFormat, getPixelFormat);
    CallbackTable pixels = RAW_SUITE(kPixelDataSuite, S::PF_Pixel_Data_Suite_1);
    RAW_INSTALL(pixels, S::PF_Pixel_Data_Suite_1, get_pixel_data8, pixelData<8>);
    RAW_INSTALL(pixels, S::PF_Pixel_Data_Suite_1, get_pixel_data16, pixelData<16>);
    RAW_INSTALL(pixels, S::PF_Pixel_Data_Suite_1, get_pixel_data_float, pixelData<32>);
    CallbackTable colors = RAW_SUITE(kColorParamSuite, S::PF_ColorParamSuite_1);
    RAW_INSTALL(colors, S::PF_ColorParamSuite_1, PF_GetFloatingPointColorFromColorDef, floatColor);
    CallbackTable paramUtils = RAW_SUITE(kParamUtilsSuite, S::PF_Param_Utils_Suite_3);
    RAW_INSTALL(paramUtils, S::PF_Param_Utils_Suite_3, PF_UpdateParamUI, updateParamUI);
    CallbackTable effectUI = RAW_SUITE(kEffectUISuite, S::PF_Effect_UI_Suite_1);
    RAW_INSTALL(effectUI, S::PF_Effect_UI_Suite_1, PF_SetOptionsButtonName, nameOptionsButton);
    CallbackTable formats = RAW_SUITE(kPixelFormatSuite, S::PF_Pixel_Format_Suite_1);
    RAW_INSTALL(formats, S::PF_Pixel_Format_Suite_1, AddSupportedPixelFormat, addPixelFormat);
    RAW_INSTALL(formats, S::PF_Pixel_Format_Suite_1, ClearSupportedPixelFormats, clearPixelFormats);
    RAW_INSTALL(formats, S::PF_Pixel_Format_Suite_1, GetPixelFormat, getPremierePixelFormat);
    CallbackTable sequence = RAW_SUITE(kSequenceInfoSuite, S::MediaCore_Sequence_Info_Suite_2);
    RAW_INSTALL(sequence, S::MediaCore_Sequence_Info_Suite_2, GetFrameRect, getFrameRect);
    RAW_INSTALL(sequence, S::MediaCore_Sequence_Info_Suite_2, GetPixelAspectRatio,
                getTimelinePixelAspect);
    CallbackTable pfUtility = RAW_SUITE(kPFUtilitySuite, S::PF_Utility_Suite_3);
    RAW_INSTALL(pfUtility, S::PF_Utility_Suite_3, GetContainingTimelineID, getContainingTimelineID);

    const Offered mine = premiere() ? Offered::Premiere : Offered::AfterEffects;
    auto offer = [&](Offered by, CallbackTable& table, const char* name, std::int32_t version) {
        if (by == Offered::Both || by == mine)
            suites_[{name, version}] = std::make_unique<CallbackTable>(std::move(table));
    };
    offer(Offered::Both, handles, S::PF_Handle_Suite_2::name, S::PF_Handle_Suite_2::version);
    offer(Offered::AfterEffects, utility, S::AEGP_Utility_Suite_7::name,
          S::AEGP_Utility_Suite_7::version);
    offer(Offered::AfterEffects, effects, S::AEGP_PF_Interface_Suite_1::name,
          S::AEGP_PF_Interface_Suite_1::version);
    offer(Offered::AfterEffects, layers, S::AEGP_Layer_Suite_11::name,
          S::AEGP_Layer_Suite_11::version);
    offer(Offered::AfterEffects, comps, S::AEGP_Comp_Suite_9::name, S::AEGP_Comp_Suite_9::version);
    offer(Offered::AfterEffects, items, S::AEGP_Item_Suite_10::name,
          S::AEGP_Item_Suite_10::version);
    offer(Offered::AfterEffects, worlds, S::PF_World_Suite_2::name, S::PF_World_Suite_2::version);
    offer(Offered::Both, pixels, S::PF_Pixel_Data_Suite_1::name, S::PF_Pixel_Data_Suite_1::version);
    offer(Offered::Both, colors, S::PF_ColorParamSuite_1::name, S::PF_ColorParamSuite_1::version);
    offer(Offered::Both, paramUtils, S::PF_Param_Utils_Suite_3::name,
          S::PF_Param_Utils_Suite_3::version);
    offer(Offered::AfterEffects, effectUI, S::PF_Effect_UI_Suite_1::name,
          S::PF_Effect_UI_Suite_1::version);
    offer(Offered::Premiere, formats, S::PF_Pixel_Format_Suite_1::name,
          S::PF_Pixel_Format_Suite_1::version);
    offer(Offered::Premiere, sequence, S::MediaCore_Sequence_Info_Suite_2::name,
          S::MediaCore_Sequence_Info_Suite_2::version);
    offer(Offered::Premiere, pfUtility, S::PF_Utility_Suite_3::name,
          S::PF_Utility_Suite_3::version);
}
