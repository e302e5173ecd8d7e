#pragma once
// Checks a parameter definition that the module published with add_param,
// byte by byte at the facts' offsets: the definition starts all zero, so
// every byte that the expectation does not name must still be zero.

#include <cstdint>
#include <string>
#include <vector>

#include "Expectations.h"

// A definition as the host copied it from add_param, with the text that its
// pop-up entries or checkbox label pointed to at that moment.
struct PublishedParam {
    std::vector<std::uint8_t> def;
    std::string text;
};

// The PF_Param_ value of a type name such as "FLOAT_SLIDER"; -1000 if unknown.
std::int64_t paramTypeOf(const std::string& type);
// The facts' name of the text pointer a type's definition holds, e.g.
// "u.namesptr" for pop-ups; null for types without one.
const char* textFieldOf(std::int64_t paramType, std::size_t* offset);

void checkPublishedParam(int hostIndex, const PublishedParam& actual,
                         const ExpectedParam& expected);
