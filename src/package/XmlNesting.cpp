#include "package/XmlNesting.h"

#include <cstring>

namespace XmlNesting {
namespace {

// The offset just past the first `terminator` at or after `from`, or the end.
std::size_t skipPast(const std::string& text, std::size_t from, const char* terminator) {
    const std::size_t found = text.find(terminator, from);
    return found == std::string::npos ? text.size() : found + std::strlen(terminator);
}

bool startsWith(const std::string& text, std::size_t at, const char* prefix) {
    return text.compare(at, std::strlen(prefix), prefix) == 0;
}

// The offset just past an opening tag that starts at `from` (its '<'), with
// `selfClosing` set when it ends in "/>". Quoted values are skipped whole.
std::size_t skipTag(const std::string& text, std::size_t from, bool& selfClosing) {
    selfClosing = false;
    for (std::size_t at = from + 1; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            const std::size_t close = text.find(c, at + 1);
            if (close == std::string::npos)
                return text.size();
            at = close;
        } else if (c == '>') {
            selfClosing = text[at - 1] == '/';
            return at + 1;
        }
    }
    return text.size();
}

// The offset just past a document type declaration starting at `from`:
// brackets of its internal subset nest, and markup inside them is skipped.
std::size_t skipDoctype(const std::string& text, std::size_t from) {
    int brackets = 0;
    for (std::size_t at = from; at < text.size(); ++at) {
        if (text[at] == '[')
            ++brackets;
        else if (text[at] == ']' && brackets > 0)
            --brackets;
        else if (text[at] == '>' && brackets == 0)
            return at + 1;
    }
    return text.size();
}

}  // namespace

std::size_t findExcess(const std::string& text, std::size_t limit) {
    std::size_t depth = 0;
    std::size_t at = text.find('<');
    while (at != std::string::npos && at < text.size()) {
        std::size_t next;
        if (startsWith(text, at, "<!--")) {
            next = skipPast(text, at + 4, "-->");
        } else if (startsWith(text, at, "<![CDATA[")) {
            next = skipPast(text, at + 9, "]]>");
        } else if (startsWith(text, at, "<?")) {
            next = skipPast(text, at + 2, "?>");
        } else if (startsWith(text, at, "<!DOCTYPE") && at + 9 < text.size() &&
                   std::strchr(" \t\r\n", text[at + 9]) != nullptr && text[at + 9] != '\0') {
            next = skipDoctype(text, at + 9);
        } else if (startsWith(text, at, "<!")) {
            next = skipPast(text, at + 2, ">");
        } else if (startsWith(text, at, "</")) {
            if (depth > 0)
                --depth;
            next = skipPast(text, at + 2, ">");
        } else {
            if (++depth > limit)
                return at;
            bool selfClosing;
            next = skipTag(text, at, selfClosing);
            if (selfClosing)
                --depth;
        }
        at = text.find('<', next);
    }
    return kWithinLimit;
}

}  // namespace XmlNesting
