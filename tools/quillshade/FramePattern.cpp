#include "FramePattern.h"

#include <cstdio>
#include <regex>

namespace {

const std::regex& hashes() {
    static const std::regex pattern("#+");
    return pattern;
}

const std::regex& printfNumber() {
    static const std::regex pattern(R"(%(0[0-9]+)?d)");
    return pattern;
}

}  // namespace

bool hasFramePattern(const std::string& name) {
    return std::regex_search(name, hashes()) || std::regex_search(name, printfNumber());
}

std::string framePath(const std::string& name, long index) {
    std::smatch match;
    int width = 0;
    if (std::regex_search(name, match, hashes())) {
        width = static_cast<int>(match.length());
    } else if (std::regex_search(name, match, printfNumber())) {
        width = match[1].length() ? std::stoi(match[1].str().substr(1)) : 0;
    } else {
        return name;
    }
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*ld", width, index);
    return match.prefix().str() + digits + match.suffix().str();
}
