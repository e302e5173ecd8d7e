#include "ShaderLog.h"

#include <algorithm>
#include <regex>
#include <sstream>

#include "gl/FragmentRewriter.h"

namespace {

// The entry point the rewriting appends, on a line of its own, when it
// renames the author's main().
const char kAppendedMain[] = "\nvoid main() { repl_main(); gl_FragColor = gl_FragColor.argb; }";

int lineFeeds(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::string authorShaderLog(const std::string& log, const std::string& source,
                            const std::string& file) {
    const std::string rewritten = rewriteFragmentSource(source);
    const bool mainAppended =
        endsWith(rewritten, kAppendedMain) && !endsWith(source, kAppendedMain);
    // Lines GL sees before the author's first line: the prelude's, then one
    // per wrapper the rewriting put in front.
    const int before = lineFeeds(kShaderPrelude) + lineFeeds(rewritten) - lineFeeds(source) -
                       (mainAppended ? 1 : 0);
    const int authorLines = lineFeeds(source) + 1;

    static const std::regex position(
        R"(^\s*[0-9]+(?::([0-9]{1,9})\(([0-9]+)\)|\(([0-9]{1,9})\)\s?)(.*)$)");
    std::istringstream lines(log);
    std::string line;
    std::string text;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        std::smatch match;
        if (std::regex_match(line, match, position)) {
            const bool withColumn = match[1].matched;
            const int glLine = std::stoi(withColumn ? match[1].str() : match[3].str());
            const int authorLine = glLine - before;
            std::string place;
            if (authorLine >= 1 && authorLine <= authorLines) {
                place = file + ":" + std::to_string(authorLine);
                if (withColumn)
                    place += ":" + match[2].str();
            } else {
                place = file + " (in the engine's wrapping code)";
            }
            line = place + match[4].str();
        }
        text += (text.empty() ? "    " : "\n    ") + line;
    }
    return text;
}
