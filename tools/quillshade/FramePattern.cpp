#include "FramePattern.h"

#include <cstdio>
#include <regex>
#include <stdexcept>

namespace {

const std::regex& hashes() {
    static const std::regex pattern("#+");
    return pattern;
}

const std::regex& printfNumber() {
    static const std::regex pattern(R"(%(0[0-9]+)?d)");
    return pattern;
}

// The width of the pattern `match` found, a '#' run or printf-style, or -1
// when it is wider than kMaximumFrameWidth.
int patternWidth(const std::smatch& match, bool hashRun) {
    if (hashRun)
        return match.length() > kMaximumFrameWidth ? -1 : static_cast<int>(match.length());
    const std::string digits = match[1].str();
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos)
        return 0;
    if (digits.size() - first > 2)
        return -1;
    const int width = std::stoi(digits.substr(first));
    return width > kMaximumFrameWidth ? -1 : width;
}

}  // namespace

bool hasFramePattern(const std::string& name) {
    return std::regex_search(name, hashes()) || std::regex_search(name, printfNumber());
}

void requireFrameWidth(const std::string& name) {
    framePath(name, 0);
}

std::string framePath(const std::string& name, long index) {
    std::smatch match;
    int width = 0;
    if (std::regex_search(name, match, hashes())) {
        width = patternWidth(match, true);
    } else if (std::regex_search(name, match, printfNumber())) {
        width = patternWidth(match, false);
    } else {
        return name;
    }
    if (width < 0) {
        throw std::runtime_error(name + ": the frame number pattern " + match.str() +
                                 " is wider than " + std::to_string(kMaximumFrameWidth) +
                                 " digits, the most a frame number has; write further zeros "
                                 "as text");
    }
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*ld", width, index);
    return match.prefix().str() + digits + match.suffix().str();
}
