#include "GlobalSetupReport.h"

#include <cstdio>

std::string hex32(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::vector<std::string> GlobalSetupReport::differences(const PiplProperties& pipl) const {
    std::vector<std::string> lines;
    const auto compare = [&lines](const char* what, std::uint32_t reported, std::uint32_t listed) {
        if (reported != listed) {
            lines.push_back(std::string(what) + " " + hex32(reported) +
                            " differs from the property list's " + hex32(listed));
        }
    };
    compare("my_version", version, pipl.version);
    compare("out_flags", static_cast<std::uint32_t>(outFlags), pipl.outFlags);
    compare("out_flags2", static_cast<std::uint32_t>(outFlags2), pipl.outFlags2);
    return lines;
}
