#include "entities/ParametersHolder.h"

std::uint32_t ParametersHolder::count() const {
    return static_cast<std::uint32_t>(parameters.size());
}

const Parameter& ParametersHolder::at(std::uint32_t position) const {
    return position < parameters.size() ? parameters[position] : emptyParameter;
}

Parameter& ParametersHolder::find(std::uint32_t handle) {
    auto found = index.find(handle);
    return found != index.end() ? parameters[found->second] : emptyParameter;
}

void ParametersHolder::assign(const ParametersHolder& source) {
    if (&source == this) {
        return;
    }
    parameters.clear();
    const std::uint32_t total = source.count();
    parameters.reserve(total);
    for (std::uint32_t position = 0; position < total; ++position) {
        parameters.push_back(source.at(position));
    }
    // Built after the last append; a later record with the same id wins.
    index.clear();
    for (std::size_t position = 0; position < parameters.size(); ++position) {
        index[parameters[position].id] = position;
    }
}
