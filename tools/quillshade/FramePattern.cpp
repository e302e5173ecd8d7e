#include "FramePattern.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
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

std::pair<long, long> existingFrameRange(const std::string& pattern, long mostEntries) {
    namespace fs = std::filesystem;
    const std::string nameThem = "; name the frames with --frames FIRST-LAST";
    // A number wider than any padding shows where the pattern puts it.
    const fs::path probe(framePath(pattern, 123456789));
    const std::string probeName = probe.filename().string();
    const std::size_t at = probeName.find("123456789");
    if (at == std::string::npos)
        throw std::runtime_error(pattern + ": the frame number is in a folder's name" + nameThem);
    const std::string prefix = probeName.substr(0, at), suffix = probeName.substr(at + 9);
    const fs::path folder = probe.has_parent_path() ? probe.parent_path() : fs::path(".");
    std::optional<std::pair<long, long>> range;
    long looked = 0;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (++looked > mostEntries) {
            throw std::runtime_error(folder.string() + " holds more than " +
                                     std::to_string(mostEntries) +
                                     " entries, more than render looks through to find the "
                                     "frames of " +
                                     pattern + nameThem);
        }
        const std::string name = entry->path().filename().string();
        if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string digits =
            name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        if (digits.size() > static_cast<std::size_t>(kMaximumFrameWidth) ||
            !std::all_of(digits.begin(), digits.end(),
                         [](unsigned char c) { return std::isdigit(c) != 0; }))
            continue;
        const long number = std::stol(digits);
        // Only the name the pattern gives the number: "in.12.png" is no frame
        // of "in.####.png".
        std::error_code kind;
        if (fs::path(framePath(pattern, number)).filename() != name ||
            !entry->is_regular_file(kind))
            continue;
        if (!range)
            range = std::make_pair(number, number);
        range->first = std::min(range->first, number);
        range->second = std::max(range->second, number);
    }
    if (error)
        throw std::runtime_error(folder.string() + ": " + error.message() + nameThem);
    if (!range)
        throw std::runtime_error("no file matches the input sequence " + pattern);
    return *range;
}
