#include "host/ParameterValues.h"

#include <cstring>

#include "entities/Parameter.h"
#include "host/AEQuillshade2.h"
#include "host/FrameStatistics.h"
#include "host/HostSuite.h"
#include "host/ParameterIndexMaps.h"
#include "host/HostPixels.h"

namespace {

float ratio(const PF_RationalScale& scale) {
    return static_cast<float>(scale.num) / static_cast<float>(scale.den);
}

bool readsThisTime(const Parameter& parameter, bool allKinds) {
    if (parameter.flags & ParamHidden)
        return false;
    if (allKinds)
        return true;
    return parameter.kind != QS_Type::LAYER && parameter.kind != QS_Type::TEXTURE &&
           parameter.kind != QS_Type::PATH;
}

// A layer parameter's image goes into the parameter's texture; the getter
// that answers tells the depth.
void uploadLayer(PF_InData* in_data, PF_LayerDef& layer, std::uint32_t position) {
    if (!layer.data)
        return;
    const HostPixels pixels = hostPixelsThroughSuite(in_data, layer);
    if (!pixels.data)
        return;
    // The upload takes the GL context on its own, outside any other hold, and
    // gives it back on every path, also when taking it failed.
    struct Hold {
        AEQuillshade2& object;
        explicit Hold(AEQuillshade2& o) : object(o) { object.lockGLContext(); }
        ~Hold() { object.unlockGLContext(); }
    } hold(plugin());
    hold.object.uploadImage(position, pixels.data, static_cast<std::uint32_t>(layer.width),
                            static_cast<std::uint32_t>(layer.height), pixels.depth,
                            static_cast<std::uint64_t>(layer.rowbytes));
}

// Checks a parameter the host handed out back in when it leaves scope, so
// that a conversion aborted by a host error does not keep it checked out.
class ParamCheckin {
public:
    ParamCheckin(PF_InData* in_data, PF_ParamDef* def) : in_data_(in_data), def_(def) {}
    ~ParamCheckin() { in_data_->inter.checkin_param(in_data_->effect_ref, def_); }
    ParamCheckin(const ParamCheckin&) = delete;
    ParamCheckin& operator=(const ParamCheckin&) = delete;

private:
    PF_InData* in_data_;
    PF_ParamDef* def_;
};

}  // namespace

void readParameterValues(PF_InData* in_data, bool allKinds) {
    const FrameStatistics::Timer timer(FramePhase::Parameters);
    requireBasicSuite(in_data);
    AEQuillshade2& object = plugin();
    const ParameterIndexMaps& maps = parameterIndexMaps();
    bool checkoutFailed = false;
    for (std::uint32_t i = 0; i < object.parameterCount() && !checkoutFailed; ++i) {
        const Parameter& parameter = object.getParameter(i);
        if (!readsThisTime(parameter, allKinds))
            continue;
        const auto found = maps.hostIndexByPosition.find(i);
        if (found == maps.hostIndexByPosition.end() || found->second == 0)
            continue;
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        const PF_Err error = in_data->inter.checkout_param(
            in_data->effect_ref, static_cast<PF_ParamIndex>(found->second), in_data->current_time,
            in_data->time_step, in_data->time_scale, &def);
        // After a failed checkout the host's values are not to be trusted for
        // this frame: no further parameter is read.
        if (error != PF_Err_NONE) {
            checkoutFailed = true;
            continue;
        }
        const ParamCheckin checkin(in_data, &def);
        convertHostValue(in_data, &def, found->second);
    }
}

void convertHostValue(PF_InData* in_data, PF_ParamDef* def, std::uint32_t hostIndex) {
    const ParameterIndexMaps& maps = parameterIndexMaps();
    const auto found = maps.positionByHostIndex.find(hostIndex);
    if (found == maps.positionByHostIndex.end())
        return;
    const std::uint32_t position = found->second;
    AEQuillshade2& object = plugin();
    const std::uint32_t flags = object.getParameter(position).flags;

    float value[4] = {0, 0, 0, 0};
    const float dx = ratio(in_data->downsample_x);
    const float dy = ratio(in_data->downsample_y);
    switch (def->param_type) {
        case PF_Param_FLOAT_SLIDER:
            value[0] = static_cast<float>(def->u.fs_d.value);
            if (flags & QS_ParamFlags::ScaleByWidth)
                value[0] *= dx;
            if (flags & QS_ParamFlags::ScaleByHeight)
                value[0] *= dy;
            break;
        case PF_Param_ANGLE:
            value[0] = static_cast<float>(def->u.ad.value / 65536.0);
            break;
        case PF_Param_CHECKBOX:
            std::memcpy(value, &def->u.bd.value, sizeof(A_long));
            break;
        case PF_Param_POPUP:
            std::memcpy(value, &def->u.pd.value, sizeof(A_long));
            break;
        case PF_Param_COLOR: {
            HostSuite<PF_ColorParamSuite1> colors(in_data, kPFColorParamSuite,
                                                  kPFColorParamSuiteVersion1);
            PF_PixelFloat color{};
            colors->PF_GetFloatingPointColorFromColorDef(in_data->effect_ref, def, &color);
            value[0] = color.red;
            value[1] = color.green;
            value[2] = color.blue;
            value[3] = color.alpha;
            break;
        }
        case PF_Param_POINT:
            value[0] = static_cast<float>(def->u.td.x_value) / 65536.0f;
            value[1] = static_cast<float>(def->u.td.y_value) / 65536.0f;
            if (flags & QS_ParamFlags::RemoveScale) {
                value[0] *= ratio(in_data->pixel_aspect_ratio) / dx;
                value[1] /= dy;
            }
            break;
        case PF_Param_POINT_3D:
            value[0] = static_cast<float>(def->u.point3d_d.x_value);
            value[1] = static_cast<float>(def->u.point3d_d.y_value);
            value[2] = static_cast<float>(def->u.point3d_d.z_value);
            break;
        case PF_Param_LAYER:
            uploadLayer(in_data, def->u.ld, position);
            break;
        default:
            break;
    }
    if (!object.current())
        return;
    object.setParameterValue(position, value);
}
