#pragma once
// A shader's text as the porting reads it: the code with comments and
// preprocessor lines blanked to spaces (so positions carry over to the text
// itself), its words and its top-level statements.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct ShaderWord {
    std::size_t start;
    std::string_view text;
};

// A statement outside any function: from the end of the previous one to its
// `;`, or to the `}` that closes a function body or a block.
struct ShaderStatement {
    std::size_t start;
    std::size_t end;  // one past the `;` or `}`
    std::vector<ShaderWord> words;
};

class ShaderText {
public:
    explicit ShaderText(std::string text);

    const std::string& text() const { return text_; }
    // The text with comments and preprocessor lines blanked.
    const std::string& code() const { return code_; }
    const std::vector<ShaderWord>& words() const { return words_; }
    const std::vector<ShaderStatement>& statements() const { return statements_; }
    // The line of a position, counted from 1.
    int lineOf(std::size_t position) const;
    // Whether `word` stands in the code as a word of its own.
    bool uses(std::string_view word) const;
    // The number after `#version`, 0 without a #version line; `es` tells
    // whether it names GLSL ES (`#version 100` does too).
    int version(bool& es) const;

private:
    std::string text_;
    std::string code_;
    std::vector<ShaderWord> words_;
    std::vector<ShaderStatement> statements_;
};

bool isShaderWordChar(char c);
