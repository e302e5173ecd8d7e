#include "ParameterDescription.h"

#include <cstring>
#include <sstream>

namespace {

double fixed(PF_Fixed value) {
    return static_cast<double>(value) / 65536.0;
}

std::vector<std::string> entries(const char* names) {
    std::vector<std::string> list;
    std::stringstream text(names ? names : "");
    std::string entry;
    while (std::getline(text, entry, '|')) list.push_back(entry);
    return list;
}

}  // namespace

std::string parameterTypeName(PF_ParamType type) {
    switch (type) {
        case PF_Param_LAYER:
            return "LAYER";
        case PF_Param_SLIDER:
            return "SLIDER";
        case PF_Param_FIX_SLIDER:
            return "FIX_SLIDER";
        case PF_Param_ANGLE:
            return "ANGLE";
        case PF_Param_CHECKBOX:
            return "CHECKBOX";
        case PF_Param_COLOR:
            return "COLOR";
        case PF_Param_POINT:
            return "POINT";
        case PF_Param_POPUP:
            return "POPUP";
        case PF_Param_CUSTOM:
            return "CUSTOM";
        case PF_Param_NO_DATA:
            return "NO_DATA";
        case PF_Param_FLOAT_SLIDER:
            return "FLOAT_SLIDER";
        case PF_Param_ARBITRARY_DATA:
            return "ARBITRARY_DATA";
        case PF_Param_PATH:
            return "PATH";
        case PF_Param_GROUP_START:
            return "GROUP_START";
        case PF_Param_GROUP_END:
            return "GROUP_END";
        case PF_Param_BUTTON:
            return "BUTTON";
        case PF_Param_POINT_3D:
            return "POINT_3D";
        default:
            return "TYPE_" + std::to_string(type);
    }
}

ParameterDescription ParameterDescription::of(PF_ParamIndex index, const PF_ParamDef& def) {
    ParameterDescription d;
    d.index = index;
    d.id = def.uu.id;
    d.type = parameterTypeName(def.param_type);
    d.name.assign(def.name, strnlen(def.name, sizeof def.name));
    d.flags = def.flags;
    d.uiFlags = def.ui_flags;
    const PF_ParamDefUnion& u = def.u;
    switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER:
            d.dephault = {u.fs_d.dephault};
            d.validRange = {u.fs_d.valid_min, u.fs_d.valid_max};
            d.sliderRange = {u.fs_d.slider_min, u.fs_d.slider_max};
            d.precision = u.fs_d.precision;
            break;
        case PF_Param_ANGLE:
            d.dephault = {fixed(u.ad.dephault)};
            break;
        case PF_Param_CHECKBOX:
            d.dephault = {u.bd.dephault ? 1.0 : 0.0};
            break;
        case PF_Param_COLOR:
            d.dephault = {double(u.cd.dephault.red), double(u.cd.dephault.green),
                          double(u.cd.dephault.blue), double(u.cd.dephault.alpha)};
            break;
        case PF_Param_POINT:
            d.dephault = {fixed(u.td.x_dephault), fixed(u.td.y_dephault)};
            break;
        case PF_Param_POINT_3D:
            d.dephault = {u.point3d_d.x_dephault, u.point3d_d.y_dephault, u.point3d_d.z_dephault};
            break;
        case PF_Param_POPUP:
            d.dephault = {double(u.pd.dephault)};
            d.choices = entries(u.pd.u.namesptr);
            break;
        default:
            break;
    }
    return d;
}
