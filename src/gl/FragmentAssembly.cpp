#include "gl/FragmentAssembly.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "gl/FragmentRewriter.h"
#include "gl/ShaderLogAdvice.h"

namespace {

// Takes the qualifiers away and turns a precision statement into empty
// declarations ("float; float;"), which GLSL 1.10 and 1.20 accept.
constexpr char kPrecisionDefines[] =
    "#define lowp\n#define mediump\n#define highp\n#define precision float;\n";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

int lineFeeds(std::string_view text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

bool startsWithWord(std::string_view text, std::string_view word) {
    return text.substr(0, word.size()) == word &&
           (text.size() == word.size() || !isWordChar(text[word.size()]));
}

// The code of one line with comments taken out; `inComment` carries an open
// block comment from line to line.
std::string codeOf(std::string_view line, bool& inComment) {
    std::string code;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (inComment) {
            if (line.compare(i, 2, "*/") == 0) {
                inComment = false;
                ++i;
            }
        } else if (line.compare(i, 2, "//") == 0) {
            break;
        } else if (line.compare(i, 2, "/*") == 0) {
            inComment = true;
            code += ' ';
            ++i;
        } else {
            code += line[i];
        }
    }
    return code;
}

// The directive a line of code holds ("version", "extension", ...), or
// empty when it is not a preprocessor line.
std::string_view directiveOf(std::string_view code) {
    std::size_t at = 0;
    while (at < code.size() && isBlank(code[at])) ++at;
    if (at == code.size() || code[at] != '#')
        return {};
    ++at;
    while (at < code.size() && isBlank(code[at])) ++at;
    std::size_t end = at;
    while (end < code.size() && isWordChar(code[end])) ++end;
    return code.substr(at, end - at);
}

struct Head {
    std::size_t size = 0;  // bytes, up to and including the last directive's line feed
    int version = 110;     // the dialect GL compiles without a #version line
    bool es = false;
};

// The leading lines that must stay first: up to the last `#version` or
// `#extension` line before any other code.
Head headOf(std::string_view text) {
    Head head;
    bool inComment = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t feed = text.find('\n', start);
        const std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
        const std::string code = codeOf(text.substr(start, end - start), inComment);
        const std::string_view directive = directiveOf(code);
        if (directive == "version" || directive == "extension") {
            if (inComment)
                break;
            head.size = end;
            if (directive == "version") {
                const std::size_t number = code.find("version") + 7;
                // Any number above the dialects in use counts as new enough.
                head.version = static_cast<int>(
                    std::min(std::strtol(code.c_str() + number, nullptr, 10), 1000L));
                head.es = head.version == 100 || code.find(" es", number) != std::string::npos;
            }
        } else if (!std::all_of(code.begin(), code.end(),
                                [](char c) { return isBlank(c) || c == '\n'; })) {
            break;
        }
        start = end;
    }
    return head;
}

// Whether the code outside comments qualifies a type with lowp, mediump or
// highp: a qualifier followed by a word. A shader whose code mentions GL_ES
// guards its precision statements already.
bool usesPrecisionQualifiers(std::string_view text) {
    bool qualified = false;
    bool inComment = false;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t feed = text.find('\n', start);
        const std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
        const std::string code = codeOf(text.substr(start, end - start), inComment);
        if (code.find("GL_ES") != std::string::npos)
            return false;
        for (std::size_t i = 0; i < code.size() && !qualified; ++i) {
            if (i > 0 && isWordChar(code[i - 1]))
                continue;
            for (const std::string_view word : {"lowp", "mediump", "highp"}) {
                if (!startsWithWord(std::string_view(code).substr(i), word))
                    continue;
                std::size_t next = i + word.size();
                while (next < code.size() && isBlank(code[next])) ++next;
                if (next > i + word.size() && next < code.size() &&
                    (std::isalpha(static_cast<unsigned char>(code[next])) || code[next] == '_'))
                    qualified = true;
            }
        }
        start = end;
    }
    return qualified;
}

}  // namespace

FragmentAssembly::FragmentAssembly(const std::string& authorText) : authorText_(authorText) {
    const Head head = headOf(authorText);
    version_ = head.version;
    es_ = head.es;
    const std::string body = authorText.substr(head.size);
    if (head.size > 0)
        strings_.push_back(authorText.substr(0, head.size));
    strings_.emplace_back(kShaderPrelude);
    if (head.version < 130 && !head.es && usesPrecisionQualifiers(body))
        strings_.emplace_back(kPrecisionDefines);
    std::string rewritten = rewriteFragmentSource(body, head.version, head.es);

    headLines_ = lineFeeds(authorText.substr(0, head.size));
    bodyLines_ = lineFeeds(body) + 1;
    // The entry point, when appended, is the last line, one the body lacks.
    const std::string_view entry(kEntryPointStart);
    const std::size_t lastFeed = rewritten.rfind('\n');
    const std::string_view tail = lastFeed == std::string::npos
                                      ? std::string_view()
                                      : std::string_view(rewritten).substr(lastFeed);
    const bool mainAppended = tail.substr(0, entry.size()) == entry &&
                              (body.size() < tail.size() ||
                               body.compare(body.size() - tail.size(), tail.size(), tail) != 0);
    // The rewriting adds lines only by prepending one line per wrapper and
    // appending the entry point.
    const int wrapperLines = lineFeeds(rewritten) - lineFeeds(body) - (mainAppended ? 1 : 0);
    bodyStart_ = 1 + wrapperLines;
    for (const std::string& before : strings_) bodyStart_ += lineFeeds(before);
    strings_.push_back(std::move(rewritten));
}

std::string FragmentAssembly::text() const {
    std::string joined;
    for (const std::string& part : strings_) joined += part;
    return joined;
}

int FragmentAssembly::authorLine(int compiledLine) const {
    if (compiledLine >= 1 && compiledLine <= headLines_)
        return compiledLine;
    const int inBody = compiledLine - bodyStart_;
    return inBody >= 0 && inBody < bodyLines_ ? headLines_ + 1 + inBody : 0;
}

namespace {

// Reads the digits at `at`, moving past them; -1 when there are none or too many.
int readNumber(const std::string& text, std::size_t& at) {
    const std::size_t start = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    if (at == start || at - start > 9)
        return -1;
    return std::atoi(text.c_str() + start);
}

bool skip(const std::string& text, std::size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

}  // namespace

std::string FragmentAssembly::authorLog(const std::string& log, const std::string& file) const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < log.size()) {
        const std::size_t feed = log.find('\n', start);
        const std::size_t end = feed == std::string::npos ? log.size() : feed;
        std::string line = log.substr(start, end - start);
        start = end + 1;
        if (line.empty())
            continue;
        // Mesa writes "0:LINE(COLUMN): ...", other drivers "0(LINE) : ...".
        std::size_t at = 0;
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
        int compiledLine = -1;
        int column = -1;
        if (readNumber(line, at) >= 0) {
            if (skip(line, at, ':')) {
                compiledLine = readNumber(line, at);
                if (!skip(line, at, '(') || (column = readNumber(line, at)) < 0 ||
                    !skip(line, at, ')'))
                    compiledLine = -1;
            } else if (skip(line, at, '(')) {
                compiledLine = readNumber(line, at);
                if (!skip(line, at, ')'))
                    compiledLine = -1;
                skip(line, at, ' ');
            }
        }
        if (compiledLine >= 0) {
            const int author = authorLine(compiledLine);
            std::string place = file;
            if (author > 0) {
                place += ":" + std::to_string(author);
                if (column >= 0)
                    place += ":" + std::to_string(column);
            } else {
                place += " (in the engine's wrapping code)";
            }
            line = place + line.substr(at);
        }
        lines.push_back(std::move(line));
    }
    std::string result;
    for (const std::string& line : ShaderLogAdvice(authorText_, version_, es_).advise(lines, file))
        result += (result.empty() ? "" : "\n") + line;
    return result;
}
