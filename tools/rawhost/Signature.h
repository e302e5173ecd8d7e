#pragma once
// The raw host's callbacks go into its tables only after a compile-time check
// of their shapes against the facts' (FunctionShape.h).

#include "FunctionShape.h"

// Puts `function` into `table` at the slot the facts give `Facts::name`,
// after checking at compile time that it has the facts' shape.
#define RAW_INSTALL(table, Facts, name, function)                                              \
    do {                                                                                       \
        static_assert(sameShape(Shape<decltype(&function)>::text, Facts::sig::name),           \
                      #function " does not have the shape the facts give " #Facts "::" #name); \
        (table).set(Facts::slot::name, reinterpret_cast<void*>(&function));                    \
    } while (false)
