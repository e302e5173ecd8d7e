// The callbacks the raw host puts into in_data (interaction and utility
// callbacks, the basic suite) and into the smart commands' extra blocks. Each
// checks what the module passes before acting on it.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "CallbackChecks.h"
#include "Signature.h"

namespace {

namespace P = raw::PF_ParamDef;
namespace C = raw::constants;
namespace R = raw::PF_LRect;

RawHost& host() {
    return RawHost::active();
}

// PF_InteractCallbacks.

std::int32_t checkoutParam(void* effect_ref, std::int32_t index, std::int32_t what_time,
                           std::int32_t time_step, std::uint32_t time_scale, void* def) {
    fromModule(effect_ref, "checkout_param");
    RawHost& h = host();
    if (index <= 0 || index >= h.paramCount() || !def)
        return badParam("checkout_param of parameter " + std::to_string(index));
    Report::get().check(
        what_time == h.time().value && time_step == h.time().step && time_scale == h.time().scale,
        "checkout_param at time " + std::to_string(what_time) + "/" + std::to_string(time_scale) +
            " step " + std::to_string(time_step) + ", not in_data's " +
            std::to_string(h.time().value) + "/" + std::to_string(h.time().scale) + " step " +
            std::to_string(h.time().step));
    std::memcpy(def, h.paramValue(index).data(), P::size);
    h.checkedOut().insert(def);
    return 0;
}

std::int32_t checkinParam(void* effect_ref, void* def) {
    fromModule(effect_ref, "checkin_param");
    auto found = host().checkedOut().find(def);
    if (found == host().checkedOut().end())
        return badParam("checkin_param of a definition that was not checked out");
    host().checkedOut().erase(found);
    return 0;
}

std::int32_t addParam(void* effect_ref, std::int32_t index, void* def) {
    fromModule(effect_ref, "add_param");
    RawHost& h = host();
    if (h.currentCommand() != C::PF_Cmd_PARAMS_SETUP || !def)
        return badParam("add_param outside parameter set-up");
    Report::get().check(index == -1,
                        "add_param at index " + std::to_string(index) + ", not -1 (append)");
    PublishedParam param;
    const auto* bytes = static_cast<const std::uint8_t*>(def);
    param.def.assign(bytes, bytes + P::size);
    std::int32_t type;
    std::memcpy(&type, bytes + P::param_type, sizeof type);
    std::size_t offset = 0;
    if (textFieldOf(type, &offset)) {
        const char* text;
        std::memcpy(&text, bytes + offset, sizeof text);
        param.text = text ? text : "(null)";
    }
    // The name comes through ansi.strcpy, into the definition's name field.
    if (type != C::PF_Param_GROUP_END) {
        Report::get().check(h.lastStrcpy() == static_cast<std::uint8_t*>(def) + P::name,
                            "parameter " + std::to_string(h.paramCount()) +
                                ": ansi.strcpy wrote its name somewhere else than at byte " +
                                std::to_string(P::name) + " of the definition");
    }
    h.lastStrcpy() = nullptr;
    h.addPublished(std::move(param));
    return 0;
}

std::int32_t registerUI(void* effect_ref, void* info) {
    fromModule(effect_ref, "register_ui");
    if (host().currentCommand() != C::PF_Cmd_PARAMS_SETUP || !info)
        return badParam("register_ui outside parameter set-up");
    const auto* bytes = static_cast<const std::uint8_t*>(info);
    host().setCustomUI(std::vector<std::uint8_t>(bytes, bytes + raw::PF_CustomUIInfo::size));
    return 0;
}

// PF_UtilCallbacks and its ANSI table.

void copyPixels(World& from, World& to) {
    const std::size_t row =
        static_cast<std::size_t>(std::min(from.width(), to.width())) * from.pixelBytes();
    for (int y = 0; y < std::min(from.height(), to.height()); ++y)
        std::memcpy(to.pixels() + y * to.rowBytes(), from.pixels() + y * from.rowBytes(), row);
}

std::int32_t utilCopy(void* effect_ref, void* src, void* dst, void*, void*) {
    fromModule(effect_ref, "utils->copy");
    World* from = host().worldAt(src);
    World* to = host().worldAt(dst);
    if (!from || !to || from->depth() != to->depth())
        return badParam("utils->copy between images the host did not hand out");
    Report::get().note("the module copied the input to the output (utils->copy)");
    copyPixels(*from, *to);
    return 0;
}

std::int32_t utilFill(void* effect_ref, void* color, void*, void* world) {
    fromModule(effect_ref, "utils->fill");
    World* target = host().worldAt(world);
    if (!target)
        return badParam("utils->fill of an image the host did not hand out");
    std::uint8_t argb[4] = {0, 0, 0, 0};
    if (color)
        std::memcpy(argb, color, 4);
    for (int y = 0; y < target->height(); ++y) {
        std::uint8_t* p = target->pixels() + y * target->rowBytes();
        for (int x = 0; x < target->width() * 4; ++x) {
            const std::uint8_t v = argb[x % 4];
            if (target->depth() == 8) {
                p[x] = v;
            } else if (target->depth() == 16) {
                const std::uint16_t deep = static_cast<std::uint16_t>((v * 32768 + 127) / 255);
                std::memcpy(p + 2 * x, &deep, 2);
            } else {
                const float f = v / 255.0f;
                std::memcpy(p + 4 * x, &f, 4);
            }
        }
    }
    return 0;
}

std::int32_t getPlatformData(void* effect_ref, std::int32_t which, void* data) {
    fromModule(effect_ref, "get_platform_data");
    if (which != C::PF_PlatData_RES_DLLINSTANCE || !data)
        return badParam("get_platform_data for " + std::to_string(which) +
                        ", not the module's instance (PF_PlatData_RES_DLLINSTANCE)");
    void* module = host().module();
    std::memcpy(data, &module, sizeof module);
    return 0;
}

std::int32_t ansiSprintf(char* buffer, const char* format, ...) {
    char text[4096];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::strcpy(buffer, text);
    return n;
}

char* ansiStrcpy(char* destination, const char* source) {
    host().lastStrcpy() = destination;
    return std::strcpy(destination, source);
}

// SPBasicSuite.

std::int32_t acquireSuite(const char* name, std::int32_t version, const void** suite) {
    *suite = nullptr;
    CallbackTable* table = host().suite(name, version);
    if (!table) {
        Report::get().fail("AcquireSuite(\"" + std::string(name) + "\", " +
                           std::to_string(version) +
                           ") refused: the facts lay out no such version, or this application "
                           "does not offer it");
        return static_cast<std::int32_t>(C::kSPSuiteNotFoundError);
    }
    ++host().acquired()[{name, version}];
    *suite = table->data();
    return 0;
}

std::int32_t releaseSuite(const char* name, std::int32_t version) {
    int& count = host().acquired()[{name, version}];
    if (count <= 0) {
        Report::get().fail("ReleaseSuite(\"" + std::string(name) + "\", " +
                           std::to_string(version) + ") of a suite not acquired at that version");
        return static_cast<std::int32_t>(C::kSPSuiteNotFoundError);
    }
    --count;
    return 0;
}

// Smart rendering.

std::int32_t checkoutLayer(void* effect_ref, std::int32_t index, std::int32_t id,
                           const void* request, std::int32_t what_time, std::int32_t time_step,
                           std::uint32_t time_scale, void* result) {
    fromModule(effect_ref, "checkout_layer");
    RawHost& h = host();
    if (h.currentCommand() != C::PF_Cmd_SMART_PRE_RENDER || !h.input() || !request || !result)
        return badParam("checkout_layer outside smart pre-render");
    if (index != 0)
        return badParam("checkout_layer of parameter " + std::to_string(index));
    Report::get().check(
        what_time == h.time().value && time_step == h.time().step && time_scale == h.time().scale,
        "checkout_layer at another time than in_data's");
    // The request: the host's own, with the rectangle, channels and zero
    // alpha handling the engine sets.
    namespace Q = raw::PF_RenderRequest;
    const auto* asked = static_cast<const std::uint8_t*>(request);
    const std::uint8_t* given = h.requestGiven().data();
    std::int32_t rect[4];
    std::memcpy(rect, asked + Q::rect, sizeof rect);
    const bool probe = id == 0x123455;
    const std::int32_t wanted[4] = {0, 0, probe ? 0 : h.input()->width(),
                                    probe ? 0 : h.input()->height()};
    Report::get().check(std::memcmp(rect, wanted, sizeof rect) == 0,
                        "checkout_layer " + hex(static_cast<unsigned>(id)) + " asks for (" +
                            std::to_string(rect[0]) + "," + std::to_string(rect[1]) + "," +
                            std::to_string(rect[2]) + "," + std::to_string(rect[3]) +
                            "), expected (" + std::to_string(wanted[0]) + "," +
                            std::to_string(wanted[1]) + "," + std::to_string(wanted[2]) + "," +
                            std::to_string(wanted[3]) + ")");
    std::int32_t channels;
    std::memcpy(&channels, asked + Q::channel_mask, sizeof channels);
    Report::get().check(channels == C::PF_ChannelMask_ARGB,
                        "checkout_layer's channel_mask is " + hex(static_cast<unsigned>(channels)) +
                            ", expected all four channels " + hex(C::PF_ChannelMask_ARGB));
    Report::get().check(asked[Q::preserve_rgb_of_zero_alpha] == 1,
                        "checkout_layer's preserve_rgb_of_zero_alpha is not 1");
    Report::get().check(
        std::memcmp(asked + Q::field, given + Q::field, 4) == 0 &&
            std::memcmp(asked + Q::unused, given + Q::unused, Q::size - Q::unused) == 0,
        "checkout_layer's request does not carry the host's field, unused and reserved bytes");
    Report::get().check(id == 0x123455 || id == 0x123456,
                        "checkout_layer with the unexpected id " + hex(static_cast<unsigned>(id)));

    // The host writes its whole PF_CheckoutResult.
    namespace K = raw::PF_CheckoutResult;
    std::uint8_t out[K::size] = {};
    const std::int32_t layer[4] = {0, 0, h.input()->width(), h.input()->height()};
    std::memcpy(out + K::result_rect, layer, sizeof layer);
    std::memcpy(out + K::max_result_rect, layer, sizeof layer);
    const std::int32_t par[2] = {1, 1};
    std::memcpy(out + K::par, par, sizeof par);
    std::memcpy(out + K::ref_width, &layer[2], 4);
    std::memcpy(out + K::ref_height, &layer[3], 4);
    std::memcpy(result, out, sizeof out);
    h.checkouts()[id] = index;
    return 0;
}

std::int32_t checkoutLayerPixels(void* effect_ref, std::int32_t id, void** world) {
    fromModule(effect_ref, "checkout_layer_pixels");
    RawHost& h = host();
    if (h.currentCommand() != C::PF_Cmd_SMART_RENDER || !world || !h.input())
        return badParam("checkout_layer_pixels outside smart render");
    if (!h.checkouts().count(id))
        return badParam("checkout_layer_pixels of id " + hex(static_cast<unsigned>(id)) +
                        ", which pre-render did not check out");
    Report::get().check(id == 0x123456, "checkout_layer_pixels of the probe checkout " +
                                            hex(static_cast<unsigned>(id)));
    *world = h.input()->def();
    return 0;
}

std::int32_t checkoutOutput(void* effect_ref, void** world) {
    fromModule(effect_ref, "checkout_output");
    RawHost& h = host();
    if (h.currentCommand() != C::PF_Cmd_SMART_RENDER || !world || !h.output())
        return badParam("checkout_output outside smart render");
    *world = h.output()->def();
    return 0;
}

}  // namespace

void RawHost::buildTables() {
    RAW_INSTALL(interact_, raw::PF_InteractCallbacks, checkout_param, checkoutParam);
    RAW_INSTALL(interact_, raw::PF_InteractCallbacks, checkin_param, checkinParam);
    RAW_INSTALL(interact_, raw::PF_InteractCallbacks, add_param, addParam);
    RAW_INSTALL(interact_, raw::PF_InteractCallbacks, register_ui, registerUI);
    RAW_INSTALL(util_, raw::PF_UtilCallbacks, copy, utilCopy);
    RAW_INSTALL(util_, raw::PF_UtilCallbacks, fill, utilFill);
    RAW_INSTALL(util_, raw::PF_UtilCallbacks, get_platform_data, getPlatformData);
    // The ANSI table lies inside the utility callbacks, at `ansi`.
    const int ansi = static_cast<int>(raw::PF_UtilCallbacks::ansi / 8);
    static_assert(
        sameShape(Shape<decltype(&ansiSprintf)>::text, raw::PF_ANSICallbacks::sig::sprintf),
        "ansiSprintf does not have the facts' shape");
    static_assert(sameShape(Shape<decltype(&ansiStrcpy)>::text, raw::PF_ANSICallbacks::sig::strcpy),
                  "ansiStrcpy does not have the facts' shape");
    util_.set(ansi + raw::PF_ANSICallbacks::slot::sprintf, reinterpret_cast<void*>(&ansiSprintf));
    util_.set(ansi + raw::PF_ANSICallbacks::slot::strcpy, reinterpret_cast<void*>(&ansiStrcpy));
    RAW_INSTALL(basic_, raw::SPBasicSuite, AcquireSuite, acquireSuite);
    RAW_INSTALL(basic_, raw::SPBasicSuite, ReleaseSuite, releaseSuite);
    RAW_INSTALL(preRender_, raw::PF_PreRenderCallbacks, checkout_layer, checkoutLayer);
    RAW_INSTALL(smartRender_, raw::PF_SmartRenderCallbacks, checkout_layer_pixels,
                checkoutLayerPixels);
    RAW_INSTALL(smartRender_, raw::PF_SmartRenderCallbacks, checkout_output, checkoutOutput);
}
