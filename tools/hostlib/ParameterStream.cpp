#include "ParameterStream.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

// A double rounded into a 32-bit integer, saturating instead of overflowing.
A_long rounded(double v) {
    if (!(v == v))
        return 0;
    return static_cast<A_long>(
        std::lround(std::min(std::max(v, double(INT_MIN)), double(INT_MAX))));
}

A_u_char channel(double v) {
    return static_cast<A_u_char>(rounded(std::min(std::max(v, 0.0), 255.0)));
}

PF_Fixed fixed(double v) {
    return rounded(v * 65536.0);
}

double ratio(PF_RationalScale r) {
    return r.den == 0 ? 1.0 : double(r.num) / double(r.den);
}

bool holds(PF_ParamType type) {
    return type == PF_Param_CHECKBOX || type == PF_Param_POPUP;
}

}  // namespace

ParameterStream::ParameterStream(const PF_ParamDef& published)
    : published_(published), type_(published.param_type) {}

std::size_t ParameterStream::componentCount(PF_ParamType type) {
    switch (type) {
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_ANGLE:
        case PF_Param_CHECKBOX:
        case PF_Param_POPUP:
            return 1;
        case PF_Param_POINT:
            return 2;
        case PF_Param_POINT_3D:
            return 3;
        case PF_Param_COLOR:
            return 4;
        default:
            return 0;
    }
}

std::vector<double> ParameterStream::checked(std::vector<double> value) const {
    const std::size_t count = componentCount(type_);
    if (type_ == PF_Param_COLOR && value.size() == 3)
        value.push_back(255.0);
    if (count == 0 || value.size() != count) {
        throw std::invalid_argument("a value of this parameter has " + std::to_string(count) +
                                    " numbers, not " + std::to_string(value.size()));
    }
    return value;
}

void ParameterStream::setConstant(std::vector<double> value) {
    keys_.clear();
    keys_.emplace_back(0.0, checked(std::move(value)));
    animated_ = false;
}

void ParameterStream::addKeyframe(double seconds, std::vector<double> value) {
    value = checked(std::move(value));
    // The first keyframe replaces a constant; one at an existing time replaces it.
    if (!animated_)
        keys_.clear();
    animated_ = true;
    auto at = std::lower_bound(keys_.begin(), keys_.end(), seconds,
                               [](const auto& key, double t) { return key.first < t; });
    if (at != keys_.end() && at->first == seconds)
        at->second = std::move(value);
    else
        keys_.emplace(at, seconds, std::move(value));
}

std::vector<double> ParameterStream::publishedDefault(const StreamScale& scale) const {
    const PF_ParamDefUnion& u = published_.u;
    switch (type_) {
        case PF_Param_FLOAT_SLIDER:
            return {u.fs_d.dephault};
        case PF_Param_ANGLE:
            return {u.ad.dephault / 65536.0};
        case PF_Param_CHECKBOX:
            return {double(u.bd.dephault)};
        case PF_Param_POPUP:
            return {double(u.pd.dephault)};
        case PF_Param_COLOR:
            return {double(u.cd.dephault.red), double(u.cd.dephault.green),
                    double(u.cd.dephault.blue), double(u.cd.dephault.alpha)};
        case PF_Param_POINT:
            // A point's default is a percentage of the layer's size, 16.16 fixed.
            return {u.td.x_dephault / 65536.0 / 100.0 * scale.layerWidth,
                    u.td.y_dephault / 65536.0 / 100.0 * scale.layerHeight};
        case PF_Param_POINT_3D:
            return {u.point3d_d.x_dephault, u.point3d_d.y_dephault, u.point3d_d.z_dephault};
        default:
            return {};
    }
}

std::vector<double> ParameterStream::valueAt(double seconds, const StreamScale& scale) const {
    if (keys_.empty())
        return publishedDefault(scale);
    if (seconds <= keys_.front().first)
        return keys_.front().second;
    if (seconds >= keys_.back().first)
        return keys_.back().second;
    auto next = std::upper_bound(keys_.begin(), keys_.end(), seconds,
                                 [](double t, const auto& key) { return t < key.first; });
    auto previous = next - 1;
    if (holds(type_))
        return previous->second;
    const double f = (seconds - previous->first) / (next->first - previous->first);
    std::vector<double> value(previous->second.size());
    for (std::size_t i = 0; i < value.size(); ++i)
        value[i] = previous->second[i] + (next->second[i] - previous->second[i]) * f;
    return value;
}

void ParameterStream::fill(PF_ParamDef& def, double seconds, const StreamScale& scale) const {
    if (componentCount(type_) == 0)
        return;
    const std::vector<double> v = valueAt(seconds, scale);
    switch (type_) {
        case PF_Param_FLOAT_SLIDER:
            def.u.fs_d.value = v[0];
            break;
        case PF_Param_ANGLE:
            def.u.ad.value = fixed(v[0]);
            break;
        case PF_Param_CHECKBOX:
            def.u.bd.value = rounded(v[0]);
            break;
        case PF_Param_POPUP:
            def.u.pd.value = rounded(v[0]);
            break;
        case PF_Param_COLOR:
            def.u.cd.value = PF_Pixel{channel(v[3]), channel(v[0]), channel(v[1]), channel(v[2])};
            break;
        case PF_Param_POINT:
            // Points reach the effect in the coordinates of the downsampled layer.
            def.u.td.x_value = fixed(v[0] * ratio(scale.downsampleX));
            def.u.td.y_value = fixed(v[1] * ratio(scale.downsampleY));
            break;
        case PF_Param_POINT_3D:
            def.u.point3d_d.x_value = v[0];
            def.u.point3d_d.y_value = v[1];
            def.u.point3d_d.z_value = v[2];
            break;
        default:
            break;
    }
}
