#include "host/ParameterPublication.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "entities/Parameter.h"
#include "host/AEQuillshade2.h"
#include "host/CommandHandlers.h"
#include "host/HostSuite.h"
#include "host/ParameterIndexMaps.h"
#include "host/ParameterValues.h"
#include "host/SequenceData.h"

namespace {

// Host names hold 31 characters and a terminator.
void copyName(PF_InData* in_data, A_char* name, const std::string& label) {
    char cut[PF_MAX_EFFECT_PARAM_NAME_LEN + 1] = {};
    std::strncpy(cut, label.c_str(), PF_MAX_EFFECT_PARAM_NAME_LEN);
    in_data->utils->ansi.strcpy(name, cut);
}

// A 2D point's default as published. In a script a POINT2D default is a
// fraction of the layer (0 to 1, 0.5 the centre); the host reads x_dephault
// and y_dephault as 16.16 fixed-point percentages of the layer's size, so the
// fraction goes out as round(v x 100 x 65536), held to the 32-bit range (a
// value that is not a number as 0). This departs on purpose from the engine's
// earlier encoding, round(v x 65536) shifted left by 16, which kept only the
// fraction of v in the integer bits and which no host reads that way. Values
// the host hands back are 16.16 layer coordinates and are read unchanged.
PF_Fixed publishedPointDefault(float v) {
    const double fixed = std::round(static_cast<double>(v) * 100.0 * 65536.0);
    if (!(fixed > INT32_MIN))
        return fixed < 0 ? INT32_MIN : 0;
    return fixed < INT32_MAX ? static_cast<PF_Fixed>(fixed) : INT32_MAX;
}

A_u_char colorByte(float v) {
    return static_cast<A_u_char>(static_cast<std::int32_t>(v));
}

bool isPublishable(const Parameter& parameter) {
    return (parameter.flags & ParamHidden) == 0 && parameter.kind >= QS_Type::FLOAT &&
           parameter.kind <= QS_Type::ANGLE;
}

// The host's definition of one parameter, by kind.
PF_ParamDef definitionOf(PF_InData* in_data, const Parameter& p, A_long hostIndex) {
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    def.uu.id = hostIndex + 2;
    if (p.kind != QS_Type::GROUP_END)
        copyName(in_data, def.name, p.label);
    switch (p.kind) {
        case QS_Type::FLOAT:
            def.param_type = PF_Param_FLOAT_SLIDER;
            def.flags = 0x60;
            def.u.fs_d.value = def.u.fs_d.dephault = p.value[0];
            def.u.fs_d.valid_min = def.u.fs_d.slider_min = p.minimum[0];
            def.u.fs_d.valid_max = def.u.fs_d.slider_max = p.maximum[0];
            def.u.fs_d.precision = p.precision();
            def.u.fs_d.curve_tolerance = 0.05f;
            break;
        case QS_Type::POINT:
            def.param_type = PF_Param_POINT_3D;
            def.u.point3d_d.x_value = def.u.point3d_d.x_dephault = p.value[0];
            def.u.point3d_d.y_value = def.u.point3d_d.y_dephault = p.value[1];
            def.u.point3d_d.z_value = def.u.point3d_d.z_dephault = p.value[2];
            break;
        case QS_Type::COLOR: {
            def.param_type = PF_Param_COLOR;
            def.flags = 0x60;
            const PF_Pixel color{colorByte(p.value[3]), colorByte(p.value[0]),
                                 colorByte(p.value[1]), colorByte(p.value[2])};
            def.u.cd.value = def.u.cd.dephault = color;
            break;
        }
        case QS_Type::LAYER:
            def.param_type = PF_Param_LAYER;
            def.flags = 0x40;
            break;
        case QS_Type::POINT2D:
            def.param_type = PF_Param_POINT;
            def.flags = 0x60;
            // The host sets a new instance's value from the default; both
            // carry the percentage, as the host's own parameter macros do.
            def.u.td.x_value = def.u.td.x_dephault = publishedPointDefault(p.value[0]);
            def.u.td.y_value = def.u.td.y_dephault = publishedPointDefault(p.value[1]);
            break;
        case QS_Type::TEXTURE:
            def.param_type = PF_Param_POPUP;
            def.flags = 0x40;
            def.u.pd.num_choices = static_cast<A_short>(p.choiceCount);
            def.u.pd.u.namesptr = p.choices.c_str();
            break;
        case QS_Type::PATH:
            def.param_type = PF_Param_PATH;
            def.flags = 0x40;
            break;
        case QS_Type::BOOL:
            def.param_type = PF_Param_CHECKBOX;
            def.flags = 0x40;
            def.u.bd.value = p.intValue();
            def.u.bd.dephault = static_cast<A_Boolean>(p.intValue() & 0xFF);
            def.u.bd.u.nameptr = "";
            break;
        case QS_Type::POPUP:
            def.param_type = PF_Param_POPUP;
            def.flags = 0x40;
            def.u.pd.value = static_cast<A_short>(p.intValue());
            def.u.pd.dephault = static_cast<A_short>(p.intValue());
            def.u.pd.num_choices = static_cast<A_short>(p.choiceCount);
            def.u.pd.u.namesptr = p.choices.c_str();
            break;
        case QS_Type::GROUP_START:
            def.param_type = PF_Param_GROUP_START;
            break;
        case QS_Type::GROUP_END:
            def.param_type = PF_Param_GROUP_END;
            break;
        case QS_Type::ANGLE:
            def.param_type = PF_Param_ANGLE;
            def.flags = 0x60;
            def.u.ad.value = def.u.ad.dephault = static_cast<PF_Fixed>(p.value[0] * 65536.0f);
            break;
    }
    return def;
}

void reportSuiteFailure(PF_InData* in_data, PF_OutData* out_data, const char* message) {
    in_data->utils->ansi.sprintf(out_data->return_msg, "%s", message);
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
}

// Sets the Options button's label to a blank; After Effects only.
PF_Err nameOptionsButton(PF_InData* in_data, PF_OutData* out_data) {
    HostSuite<PF_EffectUISuite1> ui(in_data, kPFEffectUISuite, kPFEffectUISuiteVersion1,
                                    SuiteNeed::Optional);
    if (!ui) {
        reportSuiteFailure(in_data, out_data, "Not able to acquire AEFX Suite.");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    return ui->PF_SetOptionsButtonName(in_data->effect_ref, " ");
}

}  // namespace

QS_COMMAND_HANDLER(paramsSetupCommand) {
    (void)params, (void)output, (void)extra;
    AEQuillshade2& object = plugin();
    ParameterIndexMaps& maps = parameterIndexMaps();
    out_data->num_params = 1;
    for (std::uint32_t i = 0; i < object.parameterCount(); ++i) {
        const Parameter& parameter = object.getParameter(i);
        if (!isPublishable(parameter))
            continue;
        const std::uint32_t hostIndex = static_cast<std::uint32_t>(out_data->num_params);
        if (parameter.kind == QS_Type::COLOR && maps.firstColorIndex == 0) {
            maps.firstColorIndex = hostIndex;
        }
        if (parameter.kind == QS_Type::POINT && maps.firstPointIndex == 0) {
            maps.firstPointIndex = hostIndex;
        }
        PF_ParamDef def = definitionOf(in_data, parameter, out_data->num_params);
        if (in_data->inter.add_param(in_data->effect_ref, -1, &def) != PF_Err_NONE)
            break;
        maps.hostIndexByPosition[i] = hostIndex;
        ++out_data->num_params;
    }
    if (!isPremiere(in_data)) {
        if (const PF_Err error = nameOptionsButton(in_data, out_data))
            return error;
    }
    PF_CustomUIInfo info;
    std::memset(&info, 0, sizeof info);
    info.events = PF_CustomEFlag_EFFECT;
    return in_data->inter.register_ui(in_data->effect_ref, &info);
}

void applyParamUI(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[]) {
    // The newest interface the host grants is used; without one the maps are
    // still refreshed, but no change reaches the host. PF_UpdateParamUI is the
    // first function of every version: of version 3 (PF_ParamUtilsSuite3), of
    // version 2 (which the host calls PF_ParamUtilsSuite1) and of version 1,
    // which the host's current headers no longer describe.
    const PF_ParamUtilsSuite3* utils = nullptr;
    std::int32_t version = 0;
    if (SPBasicSuite* basic = in_data->pica_basicP) {
        for (std::int32_t v : {kPFParamUtilsSuiteVersion3, kPFParamUtilsSuiteVersion1, 1}) {
            const void* suite = nullptr;
            if (basic->AcquireSuite(kPFParamUtilsSuite, v, &suite) == 0 && suite) {
                utils = static_cast<const PF_ParamUtilsSuite3*>(suite);
                version = v;
                break;
            }
        }
    }
    AEQuillshade2& object = plugin();
    ParameterIndexMaps& maps = parameterIndexMaps();
    bool failed = false;
    for (std::uint32_t i = 0; i < object.parameterCount(); ++i) {
        const Parameter& parameter = object.getParameter(i);
        if (parameter.flags & ParamHidden)
            continue;
        const std::uint32_t hostIndex = maps.hostIndexByPosition[i];
        if (hostIndex == 0)
            continue;
        if (params) {
            PF_ParamDef def = *params[hostIndex];
            if (parameter.flags & ParamDisabled) {
                def.ui_flags |= PF_PUI_DISABLED;
            } else {
                def.ui_flags &= ~PF_PUI_DISABLED;
            }
            char cut[PF_MAX_EFFECT_PARAM_NAME_LEN + 1] = {};
            std::strncpy(cut, parameter.label.c_str(), PF_MAX_EFFECT_PARAM_NAME_LEN);
            in_data->utils->ansi.sprintf(def.name, "%s", cut);
            if (utils && !failed) {
                failed = utils->PF_UpdateParamUI(in_data->effect_ref,
                                                 static_cast<PF_ParamIndex>(hostIndex),
                                                 &def) != PF_Err_NONE;
            }
        }
        maps.positionByHostIndex[hostIndex] = i;
        maps.hostIndexByPosition[i] = hostIndex;
    }
    if (utils)
        in_data->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, version);
    out_data->out_flags |= PF_OutFlag_REFRESH_UI;
}

QS_COMMAND_HANDLER(userChangedParamCommand) {
    (void)output;
    requireBasicSuite(in_data);
    (void)out_data;
    if (in_data->sequence_data)
        makeSequenceCurrent(in_data);
    const auto* change = static_cast<const PF_UserChangedParamExtra*>(extra);
    if (change && change->param_index != 0) {
        convertHostValue(in_data, params[change->param_index],
                         static_cast<std::uint32_t>(change->param_index));
    }
    return PF_Err_NONE;
}

QS_COMMAND_HANDLER(updateParamsUiCommand) {
    (void)output, (void)extra;
    const SequenceData* block = makeSequenceCurrent(in_data);
    if (!block)
        return PF_Err_NONE;
    plugin().setContextExtent(block->compWidth, block->compHeight, block->compPixelAspect);
    readParameterValues(in_data, false);
    plugin().updateUIFlags();
    applyParamUI(in_data, out_data, params);
    return PF_Err_NONE;
}
