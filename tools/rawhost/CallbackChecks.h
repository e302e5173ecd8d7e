#pragma once
// Checks that the raw host's callbacks and suite functions share: whether the
// module passed the effect_ref the host gave it, and the answer to an argument
// the host refuses.

#include <cstdint>
#include <string>

#include "RawHost.h"
#include "Report.h"

// Reports an effect_ref the host never gave; true when it is the host's.
inline bool fromModule(void* effect_ref, const char* function) {
    return Report::get().check(effect_ref == RawHost::active().effectRef(),
                               std::string(function) + " got an effect_ref the host never gave");
}

// Reports why an argument is refused and answers as the host does.
inline std::int32_t badParam(const std::string& why) {
    Report::get().fail(why);
    return static_cast<std::int32_t>(raw::constants::PF_Err_BAD_CALLBACK_PARAM);
}
