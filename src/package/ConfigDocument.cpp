#include "package/ConfigDocument.h"

#include <climits>
#include <cstdlib>

#include "package/FileReads.h"
#include "package/XmlNesting.h"

ConfigDocument::ConfigDocument() : ConfigDocument(readFileText(L"config.xml")) {}

ConfigDocument::ConfigDocument(std::string text) : text_(std::move(text)) {
    const std::size_t tooDeep = XmlNesting::findExcess(text_);
    if (tooDeep != XmlNesting::kWithinLimit)
        throw rapidxml::parse_error("elements nested too deeply", &text_[tooDeep]);
    document_.parse<0>(&text_[0]);
}

std::string ConfigDocument::get(const std::wstring& key) const {
    std::string name(key.size() * MB_LEN_MAX + 1, '\0');
    const std::size_t length = std::wcstombs(&name[0], key.c_str(), name.size());
    if (length == static_cast<std::size_t>(-1) || length == 0)
        return {};
    name.resize(length);
    const rapidxml::xml_node<char>* node = document_.first_node(name.c_str(), length);
    return node ? std::string(node->value(), node->value_size()) : std::string();
}

// atoi's reading (white space, sign, decimal digits up to the first other
// character) with the 32-bit clamping of the platform the engine ships on.
std::int32_t ConfigDocument::getInt(const std::wstring& key) const {
    const std::string value = get(key);
    const long long number = std::strtoll(value.c_str(), nullptr, 10);
    if (number > INT32_MAX)
        return INT32_MAX;
    if (number < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(number);
}

EffectVersion ConfigDocument::getVersion() const {
    EffectVersion version{};
    version.major = static_cast<std::uint32_t>(getInt(L"MAJOR_VERSION")) & 63;
    version.minor = static_cast<std::uint32_t>(getInt(L"MINOR_VERSION")) & 255;
    version.build = static_cast<std::uint32_t>(getInt(L"BUILD_VERSION")) & 65535;
    version.stage = static_cast<std::uint32_t>(getInt(L"STAGE_VERSION")) & 3;
    return version;
}
