#pragma once
// What an effect tells the host at global set-up, held against its property
// list. A host warns the user when the two disagree, since it has already
// listed the effect by its property list.

#include <string>
#include <vector>

#include "HostInterface.h"
#include "Pipl.h"

struct GlobalSetupReport {
    A_u_long version = 0;
    PF_OutFlags outFlags = 0;
    PF_OutFlags2 outFlags2 = 0;

    static GlobalSetupReport of(const PF_OutData& out) {
        return {out.my_version, out.out_flags, out.out_flags2};
    }
    // One line per value that differs from the property list's, e.g.
    // "out_flags 0x04008005 differs from the property list's 0x06008025".
    std::vector<std::string> differences(const PiplProperties& pipl) const;
};

// "0x06008025".
std::string hex32(std::uint32_t value);
