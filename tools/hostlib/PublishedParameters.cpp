#include "PublishedParameters.h"

#include <stdexcept>

namespace {

PF_ParamDef inputLayer() {
    PF_ParamDef def{};
    def.param_type = PF_Param_LAYER;
    return def;
}

bool knownType(PF_ParamType type) {
    return type >= PF_Param_LAYER && type <= PF_Param_POINT_3D && type != PF_Param_RESERVED2 &&
           type != PF_Param_RESERVED3;
}

}  // namespace

PublishedParameters::PublishedParameters() : defs_{inputLayer()} {}

void PublishedParameters::clear() {
    defs_.assign(1, inputLayer());
    texts_.clear();
}

PF_Err PublishedParameters::add(PF_ParamIndex index, const PF_ParamDef& def) {
    if (index != -1 && index != count())
        return PF_Err_INVALID_INDEX;
    if (!knownType(def.param_type))
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    if (failAfter_ == 0)
        return failError_;
    if (failAfter_ > 0)
        --failAfter_;
    PF_ParamDef copy = def;
    copy.name[sizeof copy.name - 1] = '\0';
    // Keep our own copies of the texts the definition points at.
    const A_char** text = nullptr;
    if (def.param_type == PF_Param_POPUP)
        text = &copy.u.pd.u.namesptr;
    else if (def.param_type == PF_Param_CHECKBOX)
        text = &copy.u.bd.u.nameptr;
    if (text && *text) {
        texts_.emplace_back(*text);
        *text = texts_.back().c_str();
    }
    defs_.push_back(copy);
    return PF_Err_NONE;
}

const PF_ParamDef& PublishedParameters::at(PF_ParamIndex index) const {
    if (index < 0 || index >= count())
        throw std::out_of_range("no parameter " + std::to_string(index));
    return defs_[static_cast<std::size_t>(index)];
}

std::optional<PF_ParamIndex> PublishedParameters::find(const std::string& name) const {
    for (std::size_t i = 1; i < defs_.size(); ++i)
        if (name == defs_[i].name)
            return static_cast<PF_ParamIndex>(i);
    return std::nullopt;
}
