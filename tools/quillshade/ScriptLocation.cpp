#include "ScriptLocation.h"

#include <algorithm>
#include <regex>

#include "script/ScriptText.h"

namespace {

int lineFeeds(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

ScriptLocation locateScriptError(const ScriptError& error, const std::string& script) {
    static const std::regex engineLine(R"(\s*\(line [0-9]+\)$)");
    ScriptLocation location;
    location.message = std::regex_replace(error.message, engineLine, "");
    // The script starts right after the prelude's last line feed, and the
    // bootstrap's call of setup() follows the script after one more.
    const int first = lineFeeds(kScriptPrelude) + 1;
    const int last = first + lineFeeds(script);
    if (error.line >= first && error.line <= last) {
        location.place = ScriptLocation::InScript;
        location.line = error.line - first + 1;
    } else if (error.line == last + 1) {
        location.place = ScriptLocation::InSetupCall;
    }
    return location;
}
