#pragma once
// The functions behind the host's callbacks and suites. They reach the
// active host, check what the effect passes the way an application does, and
// answer with an error code; no exception ever leaves one of them.

#include <cstdint>
#include <new>

#include "SimulatedHost.h"

struct SimulatedHost::Callbacks {
    // The active host, or null.
    static SimulatedHost* host() noexcept;

    // Runs `body` with the active host. No active host gives `missing`, a
    // failed allocation PF_Err_OUT_OF_MEMORY and any other exception
    // PF_Err_INTERNAL_STRUCT_DAMAGED.
    template <class Body>
    static A_long guarded(Body&& body, A_long missing = PF_Err_INVALID_CALLBACK) noexcept {
        SimulatedHost* h = host();
        if (!h)
            return missing;
        try {
            return body(*h);
        } catch (const std::bad_alloc&) {
            return PF_Err_OUT_OF_MEMORY;
        } catch (...) {
            return PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
    }

    static int worldDepth(const SimulatedHost& h, const PF_EffectWorld* world) {
        return h.depthOf(world);
    }
    // The frame being rendered, when a callback comes from its instance during
    // the given command; null otherwise.
    static RenderDriver* frameFor(SimulatedHost& h, PF_ProgPtr effect_ref, PF_Cmd during);
    // The instance whose opaque handle (the address of one of its tags) this is.
    static HostInstance* byTag(const void* handle, const char HostInstance::*tag);

    // Basic suite.
    static SPErr acquireSuite(const char* name, std::int32_t version, const void** suite) noexcept;
    static SPErr releaseSuite(const char* name, std::int32_t version) noexcept;

    // Utility callbacks.
    static A_long ansiSprintf(A_char* buffer, const A_char* format, ...) noexcept;
    static A_char* ansiStrcpy(A_char* dest, const A_char* src) noexcept;
    static PF_Err getPlatformData(PF_ProgPtr effect_ref, A_long which, void* data) noexcept;
    static PF_Err copy(PF_ProgPtr effect_ref, PF_EffectWorld* src, PF_EffectWorld* dst,
                       PF_Rect* src_r, PF_Rect* dst_r) noexcept;
    static PF_Err fill(PF_ProgPtr effect_ref, const PF_Pixel* color, const PF_Rect* dst_rect,
                       PF_EffectWorld* world) noexcept;

    // Interact callbacks.
    static PF_Err checkoutParam(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                                A_long time_step, A_u_long time_scale, PF_ParamDef* param) noexcept;
    static PF_Err checkinParam(PF_ProgPtr effect_ref, PF_ParamDef* param) noexcept;
    static PF_Err addParam(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def) noexcept;
    static PF_Err registerUI(PF_ProgPtr effect_ref, PF_CustomUIInfo* info) noexcept;

    // Smart rendering.
    static PF_Err checkoutLayer(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long checkout_id,
                                const PF_RenderRequest* request, A_long what_time, A_long time_step,
                                A_u_long time_scale, PF_CheckoutResult* result) noexcept;
    static PF_Err checkoutLayerPixels(PF_ProgPtr effect_ref, A_long checkout_id,
                                      PF_EffectWorld** pixels) noexcept;
    static PF_Err checkinLayerPixels(PF_ProgPtr effect_ref, A_long checkout_id) noexcept;
    static PF_Err checkoutOutput(PF_ProgPtr effect_ref, PF_EffectWorld** output) noexcept;

    // PF Handle Suite, version 2.
    static PF_Handle newHandle(std::uint64_t size) noexcept;
    static void* lockHandle(PF_Handle handle) noexcept;
    static void unlockHandle(PF_Handle handle) noexcept;
    static void disposeHandle(PF_Handle handle) noexcept;

    // AEGP suites: registration and the composition queries.
    static A_Err registerWithAegp(AEGP_GlobalRefcon refcon, const A_char* name,
                                  AEGP_PluginID* id) noexcept;
    static A_Err getEffectLayer(PF_ProgPtr effect_ref, AEGP_LayerH* layer) noexcept;
    static A_Err getLayerParentComp(AEGP_LayerH layer, AEGP_CompH* comp) noexcept;
    static A_Err getItemFromComp(AEGP_CompH comp, AEGP_ItemH* item) noexcept;
    static A_Err getItemDimensions(AEGP_ItemH item, A_long* width, A_long* height) noexcept;
    static A_Err getItemPixelAspectRatio(AEGP_ItemH item, A_Ratio* ratio) noexcept;

    // Image suites.
    static PF_Err getPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format) noexcept;
    static PF_Err getPixelData8(PF_EffectWorld* world, PF_PixelPtr pixels,
                                PF_Pixel8** result) noexcept;
    static PF_Err getPixelData16(PF_EffectWorld* world, PF_PixelPtr pixels,
                                 PF_Pixel16** result) noexcept;
    static PF_Err getPixelDataFloat(PF_EffectWorld* world, PF_PixelPtr pixels,
                                    PF_PixelFloat** result) noexcept;

    // Parameter and interface suites.
    static PF_Err floatColor(PF_ProgPtr effect_ref, const PF_ParamDef* def,
                             PF_PixelFloat* color) noexcept;
    static PF_Err updateParamUI(PF_ProgPtr effect_ref, PF_ParamIndex index,
                                const PF_ParamDef* def) noexcept;
    static PF_Err setOptionsButtonName(PF_ProgPtr effect_ref, const A_char* name) noexcept;

    // Premiere Pro suites.
    static PF_Err addPixelFormat(PF_ProgPtr effect_ref, PrPixelFormat format) noexcept;
    static PF_Err clearPixelFormats(PF_ProgPtr effect_ref) noexcept;
    static PF_Err getPremierePixelFormat(PF_EffectWorld* world, PrPixelFormat* format) noexcept;
    static PF_Err getFrameRect(PrTimelineID timeline, prRect* rect) noexcept;
    static PF_Err getTimelinePixelAspect(PrTimelineID timeline, csSDK_uint32* num,
                                         csSDK_uint32* den) noexcept;
    static PF_Err getContainingTimelineID(PF_ProgPtr effect_ref, PrTimelineID* timeline) noexcept;
};
