// A small effect module that exercises the host's side of the effect
// interface without the engine: it publishes one parameter of each type it
// uses, keeps tagged sequence data, grows its output sideways by its "Grow"
// parameter and copies the input into the middle, in both rendering ways.
#include <cstring>

#include "TestEffectLog.h"

namespace {

TestEffectLog effectLog;
std::uint32_t nextSerial = 1;

template <class Suite>
const Suite* acquire(PF_InData* in, const char* name, std::int32_t version) {
    const void* suite = nullptr;
    if (!in->pica_basicP || in->pica_basicP->AcquireSuite(name, version, &suite) != 0)
        return nullptr;
    return static_cast<const Suite*>(suite);
}

void release(PF_InData* in, const char* name, std::int32_t version) {
    in->pica_basicP->ReleaseSuite(name, version);
}

PF_Err globalSetup(PF_OutData* out) {
    out->out_flags = PF_OutFlag_DEEP_COLOR_AWARE | PF_OutFlag_SEND_UPDATE_PARAMS_UI;
    out->out_flags2 = PF_OutFlag2_SUPPORTS_SMART_RENDER | PF_OutFlag2_FLOAT_COLOR_AWARE;
    return PF_Err_NONE;
}

PF_ParamDef named(PF_ParamType type, const char* name) {
    PF_ParamDef def{};
    def.param_type = type;
    std::strcpy(def.name, name);
    return def;
}

PF_Err paramsSetup(PF_InData* in, PF_OutData* out) {
    PF_ParamDef defs[kTestParamCount - 1];
    defs[0] = named(PF_Param_FLOAT_SLIDER, "Grow");
    defs[0].flags = PF_ParamFlag_SUPERVISE;
    defs[0].u.fs_d.slider_max = 100;
    defs[1] = named(PF_Param_ANGLE, "Angle");
    defs[1].u.ad.dephault = 90 << 16;
    defs[2] = named(PF_Param_CHECKBOX, "Enabled");
    defs[2].flags = PF_ParamFlag_SUPERVISE;
    defs[2].u.bd.dephault = 1;
    defs[3] = named(PF_Param_COLOR, "Tint");
    defs[3].u.cd.dephault = PF_Pixel{255, 255, 0, 0};
    defs[4] = named(PF_Param_POINT, "Centre");
    defs[4].u.td.x_dephault = 50 << 16;
    defs[4].u.td.y_dephault = 25 << 16;
    char choices[] = "One|Two|Three";
    defs[5] = named(PF_Param_POPUP, "Mode");
    defs[5].u.pd.num_choices = 3;
    defs[5].u.pd.dephault = 2;
    defs[5].u.pd.u.namesptr = choices;
    defs[6] = named(PF_Param_LAYER, "Matte");
    defs[7] = named(PF_Param_POINT_3D, "Spot");
    defs[7].u.point3d_d.x_dephault = 1;
    defs[7].u.point3d_d.y_dephault = 2;
    defs[7].u.point3d_d.z_dephault = 3;
    out->num_params = 1;
    for (PF_ParamDef& def : defs) {
        if (in->inter.add_param(in->effect_ref, -1, &def) != PF_Err_NONE)
            break;
        ++out->num_params;
    }
    // The host keeps its own copy of the entries' text.
    std::strcpy(choices, "xxxxxxxxxxxxx");
    PF_CustomUIInfo ui{};
    ui.events = PF_CustomEFlag_EFFECT;
    PF_Err err = in->inter.register_ui(in->effect_ref, &ui);
    if (auto* suite = acquire<PF_EffectUISuite1>(in, kPFEffectUISuite, 1)) {
        suite->PF_SetOptionsButtonName(in->effect_ref, "Options");
        release(in, kPFEffectUISuite, 1);
    }
    return err;
}

PF_Handle newSequenceData(PF_InData* in, std::uint32_t tag, std::uint32_t serial) {
    auto* handles = acquire<PF_HandleSuite2>(in, kPFHandleSuite, 2);
    if (!handles)
        return nullptr;
    PF_Handle handle = handles->host_new_handle(sizeof(TestSequenceData));
    if (auto* data = static_cast<TestSequenceData*>(handles->host_lock_handle(handle))) {
        *data = TestSequenceData{tag, serial};
        handles->host_unlock_handle(handle);
    }
    release(in, kPFHandleSuite, 2);
    return handle;
}

const TestSequenceData* sequenceData(PF_InData* in) {
    return in->sequence_data ? reinterpret_cast<const TestSequenceData*>(*in->sequence_data)
                             : nullptr;
}

PF_Err sequenceCommand(PF_Cmd cmd, PF_InData* in, PF_OutData* out) {
    const TestSequenceData* current = sequenceData(in);
    switch (cmd) {
        case PF_Cmd_SEQUENCE_SETUP:
            out->sequence_data = newSequenceData(in, kLiveTag, nextSerial++);
            return out->sequence_data ? PF_Err_NONE : PF_Err_OUT_OF_MEMORY;
        case PF_Cmd_SEQUENCE_FLATTEN: {
            // Flattening replaces the live data, which the effect disposes of.
            const std::uint32_t serial = current ? current->serial : 0;
            out->sequence_data = newSequenceData(in, kFlatTag, serial);
            if (auto* handles = acquire<PF_HandleSuite2>(in, kPFHandleSuite, 2)) {
                handles->host_dispose_handle(in->sequence_data);
                release(in, kPFHandleSuite, 2);
            }
            return PF_Err_NONE;
        }
        case PF_Cmd_SEQUENCE_RESETUP:
            effectLog.resetupSerial = current && current->tag == kFlatTag ? current->serial : 0;
            out->sequence_data = newSequenceData(in, kLiveTag, effectLog.resetupSerial);
            return PF_Err_NONE;
        default:
            if (auto* handles = acquire<PF_HandleSuite2>(in, kPFHandleSuite, 2)) {
                handles->host_dispose_handle(in->sequence_data);
                release(in, kPFHandleSuite, 2);
            }
            return PF_Err_NONE;
    }
}

void queryComposition(PF_InData* in) {
    if (in->appl_id == PF_APPL_ID_PREMIERE) {
        auto* info = acquire<PF_SequenceInfoSuite2>(in, kPFSequenceInfoSuite, 2);
        auto* utility = acquire<PF_UtilitySuite3>(in, kPFUtilitySuite, 3);
        PrTimelineID timeline = 0;
        prRect rect{};
        csSDK_uint32 num = 0, den = 0;
        if (info && utility && utility->GetContainingTimelineID(in->effect_ref, &timeline) == 0 &&
            info->GetFrameRect(timeline, &rect) == 0 &&
            info->GetPixelAspectRatio(timeline, &num, &den) == 0) {
            effectLog.compWidth = rect.right - rect.left;
            effectLog.compHeight = rect.bottom - rect.top;
            effectLog.compPixelAspect = A_Ratio{A_long(num), A_long(den)};
        }
        if (info)
            release(in, kPFSequenceInfoSuite, 2);
        if (utility)
            release(in, kPFUtilitySuite, 3);
        return;
    }
    auto* pf = acquire<AEGP_PFInterfaceSuite1>(in, kAEGPPFInterfaceSuite, 1);
    auto* layers = acquire<AEGP_LayerSuite11>(in, kAEGPLayerSuite, 11);
    auto* comps = acquire<AEGP_CompSuite9>(in, kAEGPCompSuite, 9);
    auto* items = acquire<AEGP_ItemSuite10>(in, kAEGPItemSuite, 10);
    AEGP_LayerH layer = nullptr;
    AEGP_CompH comp = nullptr;
    AEGP_ItemH item = nullptr;
    if (pf && layers && comps && items && pf->AEGP_GetEffectLayer(in->effect_ref, &layer) == 0 &&
        layers->AEGP_GetLayerParentComp(layer, &comp) == 0 &&
        comps->AEGP_GetItemFromComp(comp, &item) == 0) {
        items->AEGP_GetItemDimensions(item, &effectLog.compWidth, &effectLog.compHeight);
        items->AEGP_GetItemPixelAspectRatio(item, &effectLog.compPixelAspect);
    }
    if (pf)
        release(in, kAEGPPFInterfaceSuite, 1);
    if (layers)
        release(in, kAEGPLayerSuite, 11);
    if (comps)
        release(in, kAEGPCompSuite, 9);
    if (items)
        release(in, kAEGPItemSuite, 10);
}

// The "Grow" parameter at the current time, in whole pixels.
A_long grow(PF_InData* in, PF_Err* err) {
    PF_ParamDef def{};
    *err = in->inter.checkout_param(in->effect_ref, kGrow, in->current_time, in->time_step,
                                    in->time_scale, &def);
    if (*err != PF_Err_NONE)
        return 0;
    in->inter.checkin_param(in->effect_ref, &def);
    return static_cast<A_long>(def.u.fs_d.value);
}

void recordPixelFormat(PF_InData* in, PF_EffectWorld* world) {
    if (in->appl_id == PF_APPL_ID_PREMIERE) {
        if (auto* formats = acquire<PF_PixelFormatSuite1>(in, kPFPixelFormatSuite, 1)) {
            formats->GetPixelFormat(world, &effectLog.pixelFormat);
            release(in, kPFPixelFormatSuite, 1);
        }
    } else if (auto* worlds = acquire<PF_WorldSuite2>(in, kPFWorldSuite, 2)) {
        worlds->PF_GetPixelFormat(world, &effectLog.pixelFormat);
        release(in, kPFWorldSuite, 2);
    }
}

// Copies the input into the output at the output's origin.
PF_Err copyInto(PF_InData* in, PF_EffectWorld* input, PF_EffectWorld* output) {
    recordPixelFormat(in, input);
    PF_Rect to{output->origin_x, output->origin_y, output->origin_x + input->width,
               output->origin_y + input->height};
    return in->utils->copy(in->effect_ref, input, output, nullptr, &to);
}

PF_Err smartPreRender(PF_InData* in, PF_PreRenderExtra* extra) {
    queryComposition(in);
    PF_CheckoutResult layer{};
    PF_Err err =
        extra->cb->checkout_layer(in->effect_ref, 0, kTestCheckoutId, &extra->input->output_request,
                                  in->current_time, in->time_step, in->time_scale, &layer);
    if (err != PF_Err_NONE)
        return err;
    const A_long g = grow(in, &err);
    PF_LRect rect = layer.max_result_rect;
    rect.left -= g;
    rect.right += g;
    extra->output->result_rect = rect;
    extra->output->max_result_rect = rect;
    return err;
}

PF_Err smartRender(PF_InData* in, PF_SmartRenderExtra* extra) {
    PF_EffectWorld* input = nullptr;
    PF_EffectWorld* output = nullptr;
    PF_Err err = extra->cb->checkout_layer_pixels(in->effect_ref, kTestCheckoutId, &input);
    if (err == PF_Err_NONE)
        err = extra->cb->checkout_output(in->effect_ref, &output);
    if (err == PF_Err_NONE && input && output)
        err = copyInto(in, input, output);
    extra->cb->checkin_layer_pixels(in->effect_ref, kTestCheckoutId);
    return err;
}

PF_Err frameSetup(PF_InData* in, PF_OutData* out, PF_ParamDef* params[]) {
    queryComposition(in);
    PF_Err err = PF_Err_NONE;
    const A_long g = grow(in, &err);
    if (g != 0) {
        out->width = params[0]->u.ld.width + 2 * g;
        out->height = params[0]->u.ld.height;
        out->origin.h = g;
    }
    return err;
}

PF_Err updateParamsUI(PF_InData* in, PF_ParamDef* params[]) {
    auto* utils = acquire<PF_ParamUtilsSuite3>(in, kPFParamUtilsSuite, 3);
    if (!utils)
        return PF_Err_BAD_CALLBACK_PARAM;
    PF_ParamDef tint = *params[kTint];
    if (params[kEnabled]->u.bd.value)
        tint.ui_flags &= ~PF_PUI_DISABLED;
    else
        tint.ui_flags |= PF_PUI_DISABLED;
    PF_Err err = utils->PF_UpdateParamUI(in->effect_ref, kTint, &tint);
    PF_ParamDef growDef = *params[kGrow];
    std::strcpy(growDef.name, "Grow (px)");
    if (err == PF_Err_NONE)
        err = utils->PF_UpdateParamUI(in->effect_ref, kGrow, &growDef);
    release(in, kPFParamUtilsSuite, 3);
    return err;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) TestEffectLog* testEffectLog() {
    return &effectLog;
}

extern "C" __attribute__((visibility("default"))) PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in,
                                                                        PF_OutData* out,
                                                                        PF_ParamDef* params[],
                                                                        PF_LayerDef* output,
                                                                        void* extra) {
    if (cmd >= 0 && cmd < PF_Cmd_NUM_CMDS)
        ++effectLog.commands[cmd];
    switch (cmd) {
        case PF_Cmd_GLOBAL_SETUP:
            return globalSetup(out);
        case PF_Cmd_PARAMS_SETUP:
            return paramsSetup(in, out);
        case PF_Cmd_SEQUENCE_SETUP:
        case PF_Cmd_SEQUENCE_RESETUP:
        case PF_Cmd_SEQUENCE_FLATTEN:
        case PF_Cmd_SEQUENCE_SETDOWN:
            return sequenceCommand(cmd, in, out);
        case PF_Cmd_FRAME_SETUP:
            return frameSetup(in, out, params);
        case PF_Cmd_RENDER:
            return copyInto(in, &params[0]->u.ld, output);
        case PF_Cmd_USER_CHANGED_PARAM:
            effectLog.lastChangedParam = static_cast<PF_UserChangedParamExtra*>(extra)->param_index;
            return PF_Err_NONE;
        case PF_Cmd_UPDATE_PARAMS_UI:
            return updateParamsUI(in, params);
        case PF_Cmd_SMART_PRE_RENDER:
            return smartPreRender(in, static_cast<PF_PreRenderExtra*>(extra));
        case PF_Cmd_SMART_RENDER:
            return smartRender(in, static_cast<PF_SmartRenderExtra*>(extra));
        default:
            return PF_Err_NONE;
    }
}
