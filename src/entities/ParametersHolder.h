#pragma once
// An ordered list of parameter records with an index by handle. Every effect
// instance holds one as its own copy of the declared parameters; the render
// context offers the same interface over its parameter registry.

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "entities/Parameter.h"

class ParametersHolder {
public:
    ParametersHolder() = default;
    ParametersHolder(const ParametersHolder&) = delete;
    ParametersHolder& operator=(const ParametersHolder&) = delete;
    virtual ~ParametersHolder() = default;

    virtual std::uint32_t count() const;
    // The record at `position`, or emptyParameter when it is not below count().
    virtual const Parameter& at(std::uint32_t position) const;

    // The record whose `id` is `handle`, or emptyParameter.
    Parameter& find(std::uint32_t handle);

    // Makes this holder a deep copy of `source`, read through its count() and
    // at(), so a holder can copy the render context's registry as well.
    void assign(const ParametersHolder& source);

private:
    std::vector<Parameter> parameters;
    // Positions rather than pointers, so growing the vector never leaves the
    // index dangling.
    std::map<std::uint32_t, std::size_t> index;
};
