#include "ShaderText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

bool isShaderWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

namespace {

std::string blankedCode(const std::string& text) {
    std::string code(text);
    bool lineStart = true;
    for (std::size_t at = 0; at < code.size();) {
        std::size_t end = at;
        if (code.compare(at, 2, "//") == 0) {
            end = std::min(code.find('\n', at), code.size());
        } else if (code.compare(at, 2, "/*") == 0) {
            end = std::min(code.find("*/", at + 2), code.size() - 2) + 2;
        } else if (lineStart && code[at] == '#') {
            // A directive runs to the line's end, or further after a backslash.
            end = at;
            while (end < code.size() && (code[end] != '\n' || code[end - 1] == '\\')) ++end;
        } else {
            if (code[at] == '\n')
                lineStart = true;
            else if (!std::isspace(static_cast<unsigned char>(code[at])))
                lineStart = false;
            ++at;
            continue;
        }
        for (std::size_t i = at; i < end; ++i)
            if (code[i] != '\n')
                code[i] = ' ';
        at = end;
    }
    return code;
}

}  // namespace

ShaderText::ShaderText(std::string text) : text_(std::move(text)), code_(blankedCode(text_)) {
    const std::string_view code(code_);
    for (std::size_t at = 0; at < code.size();) {
        if (!isShaderWordChar(code[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < code.size() && isShaderWordChar(code[end])) ++end;
        words_.push_back({at, code.substr(at, end - at)});
        at = end;
    }
    int depth = 0;
    std::size_t start = 0;
    std::size_t word = 0;
    for (std::size_t at = 0; at < code.size(); ++at) {
        const char c = code[at];
        bool ends = false;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            depth = std::max(depth - 1, 0);
            ends = depth == 0;
        } else if (c == ';' && depth == 0) {
            ends = true;
        }
        if (!ends)
            continue;
        ShaderStatement statement{start, at + 1, {}};
        while (word < words_.size() && words_[word].start < at + 1)
            statement.words.push_back(words_[word++]);
        statements_.push_back(std::move(statement));
        start = at + 1;
    }
}

int ShaderText::lineOf(std::size_t position) const {
    const std::size_t end = std::min(position, text_.size());
    return 1 + static_cast<int>(
                   std::count(text_.begin(), text_.begin() + static_cast<long>(end), '\n'));
}

bool ShaderText::uses(std::string_view word) const {
    return std::any_of(words_.begin(), words_.end(),
                       [word](const ShaderWord& w) { return w.text == word; });
}

int ShaderText::version(bool& es) const {
    es = false;
    for (std::size_t at = 0; at < text_.size();) {
        std::size_t end = std::min(text_.find('\n', at), text_.size());
        const std::string line = text_.substr(at, end - at);
        const std::size_t hash = line.find_first_not_of(" \t");
        if (hash != std::string::npos && line[hash] == '#') {
            const std::size_t name = line.find_first_not_of(" \t", hash + 1);
            if (name != std::string::npos && line.compare(name, 7, "version") == 0) {
                const int number = std::atoi(line.c_str() + name + 7);
                es = number == 100 || line.find(" es", name + 7) != std::string::npos;
                return std::min(number, 1000);
            }
        }
        at = end + 1;
    }
    return 0;
}
