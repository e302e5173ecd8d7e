// The utility, interaction and smart-rendering callbacks that the host puts
// into in_data and into the extra arguments of the smart commands.
#include "HostCallbacks.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "RenderDriver.h"
#include "WorldPixels.h"

using C = SimulatedHost::Callbacks;

A_long C::ansiSprintf(A_char* buffer, const A_char* format, ...) noexcept {
    if (!buffer || !format)
        return -1;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, PF_MAX_EFFECT_MSG_LEN + 1, format, args);
    va_end(args);
    return n;
}

A_char* C::ansiStrcpy(A_char* dest, const A_char* src) noexcept {
    return dest && src ? std::strcpy(dest, src) : dest;
}

PF_Err C::getPlatformData(PF_ProgPtr, A_long which, void* data) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        if (which != PF_PlatData_INSTANCE_PTR || !data)
            return PF_Err_BAD_CALLBACK_PARAM;
        *static_cast<void**>(data) = h.module_.instanceHandle();
        return PF_Err_NONE;
    });
}

PF_Err C::copy(PF_ProgPtr, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* src_r,
               PF_Rect* dst_r) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        const int from = h.depthOf(src), to = h.depthOf(dst);
        if (from == 0 || to == 0)
            return PF_Err_BAD_CALLBACK_PARAM;
        WorldPixels::copy(WorldPixels(*src, from), src_r, WorldPixels(*dst, to), dst_r);
        return PF_Err_NONE;
    });
}

PF_Err C::fill(PF_ProgPtr, const PF_Pixel* color, const PF_Rect* dst_rect,
               PF_EffectWorld* world) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        const int depth = h.depthOf(world);
        if (depth == 0)
            return PF_Err_BAD_CALLBACK_PARAM;
        WorldPixels(*world, depth).fill(color ? *color : PF_Pixel{0, 0, 0, 0}, dst_rect);
        return PF_Err_NONE;
    });
}

PF_Err C::checkoutParam(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time, A_long,
                        A_u_long time_scale, PF_ParamDef* param) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        HostInstance* instance = h.instanceFor(effect_ref);
        if (!instance || !param || time_scale == 0)
            return PF_Err_BAD_CALLBACK_PARAM;
        if (index < 0 || index >= h.published_.count())
            return PF_Err_INVALID_INDEX;
        if (h.checkoutFailure_ > 0 && --h.checkoutFailure_ == 0)
            return h.checkoutError_;
        h.fillParam(*instance, index, static_cast<double>(what_time) / time_scale, *param);
        h.checkedOut_.insert(param);
        return PF_Err_NONE;
    });
}

PF_Err C::checkinParam(PF_ProgPtr, PF_ParamDef* param) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        auto found = h.checkedOut_.find(param);
        if (found == h.checkedOut_.end())
            return PF_Err_BAD_CALLBACK_PARAM;
        h.checkedOut_.erase(found);
        return PF_Err_NONE;
    });
}

PF_Err C::addParam(PF_ProgPtr, PF_ParamIndex index, PF_ParamDefPtr def) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        // Parameters are added only while the host asks for them.
        if (h.currentCommand_ != PF_Cmd_PARAMS_SETUP || !def)
            return PF_Err_BAD_CALLBACK_PARAM;
        return h.published_.add(index, *def);
    });
}

PF_Err C::registerUI(PF_ProgPtr, PF_CustomUIInfo* info) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        if (h.currentCommand_ != PF_Cmd_PARAMS_SETUP || !info)
            return PF_Err_BAD_CALLBACK_PARAM;
        h.customUI_ = *info;
        return PF_Err_NONE;
    });
}

RenderDriver* C::frameFor(SimulatedHost& h, PF_ProgPtr effect_ref, PF_Cmd during) {
    HostInstance* instance = h.instanceFor(effect_ref);
    if (!instance || instance->command != during)
        return nullptr;
    return instance->frame;
}

PF_Err C::checkoutLayer(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id,
                        const PF_RenderRequest*, A_long, A_long, A_u_long,
                        PF_CheckoutResult* result) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        RenderDriver* frame = frameFor(h, effect_ref, PF_Cmd_SMART_PRE_RENDER);
        return frame ? frame->checkoutLayer(index, checkout_id, result) : PF_Err_BAD_CALLBACK_PARAM;
    });
}

PF_Err C::checkoutLayerPixels(PF_ProgPtr effect_ref, A_long checkout_id,
                              PF_EffectWorld** pixels) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        RenderDriver* frame = frameFor(h, effect_ref, PF_Cmd_SMART_RENDER);
        return frame ? frame->checkoutLayerPixels(checkout_id, pixels) : PF_Err_BAD_CALLBACK_PARAM;
    });
}

PF_Err C::checkinLayerPixels(PF_ProgPtr effect_ref, A_long checkout_id) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        RenderDriver* frame = frameFor(h, effect_ref, PF_Cmd_SMART_RENDER);
        return frame ? frame->checkinLayerPixels(checkout_id) : PF_Err_BAD_CALLBACK_PARAM;
    });
}

PF_Err C::checkoutOutput(PF_ProgPtr effect_ref, PF_EffectWorld** output) noexcept {
    return guarded([&](SimulatedHost& h) -> PF_Err {
        RenderDriver* frame = frameFor(h, effect_ref, PF_Cmd_SMART_RENDER);
        return frame ? frame->checkoutOutput(output) : PF_Err_BAD_CALLBACK_PARAM;
    });
}
