#pragma once
// config.xml: a flat list of top-level elements whose names are keys and whose
// text is the value, parsed in place. The document's nodes point into the
// owned text, so both live and die together.

#include <rapidxml.hpp>

#include <cstdint>
#include <string>

#include "package/EffectVersion.h"

class ConfigDocument {
public:
    // Reads "config.xml" through readFileText and parses it.
    ConfigDocument();
    // Parses the given text. Both throw rapidxml::parse_error for text that is
    // not well-formed or nests elements deeper than XmlNesting::kMaximumDepth.
    explicit ConfigDocument(std::string text);
    ConfigDocument(const ConfigDocument&) = delete;
    ConfigDocument& operator=(const ConfigDocument&) = delete;

    // The first top-level element with exactly this name: its text, or empty.
    std::string get(const std::wstring& key) const;

    // The key's value read as atoi does, clamped to 32 bits; 0 when empty.
    std::int32_t getInt(const std::wstring& key) const;

    // MAJOR_VERSION, MINOR_VERSION, BUILD_VERSION and STAGE_VERSION, each
    // masked to its field's width.
    EffectVersion getVersion() const;

private:
    rapidxml::xml_document<char> document_;
    std::string text_;
};
