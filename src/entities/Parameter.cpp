#include "entities/Parameter.h"

#include <algorithm>
#include <cstring>
#include <utility>

Parameter emptyParameter;

template <>
Parameter& nullEntity<Parameter>() {
    return emptyParameter;
}

void Parameter::initialise(std::string name, std::uint32_t kind, std::string label) {
    *this = Parameter();
    this->name = std::move(name);
    this->label = std::move(label);
    this->kind = kind;
    minimum[0] = -100.0f;
    maximum[0] = 100.0f;
    setChoices("0|1|2|3|4|5|6|7|8|9");
}

std::int32_t Parameter::intValue() const {
    std::int32_t word;
    std::memcpy(&word, &value[0], sizeof word);
    return word;
}

void Parameter::setIntValue(std::int32_t word) {
    std::memcpy(&value[0], &word, sizeof word);
}

std::int8_t Parameter::precision() const {
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(flags >> 24));
}

void Parameter::setPrecision(std::int32_t digits) {
    flags = (flags & 0x00FFFFFFu) | (static_cast<std::uint32_t>(digits) & 0xFFu) << 24;
}

void Parameter::setChoices(const std::string& text) {
    choices = text;
    choiceCount = countChoices(text);
}

std::uint32_t Parameter::countChoices(const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '|')) + 1;
}
