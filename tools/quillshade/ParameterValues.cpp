#include "ParameterValues.h"

#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>

namespace {

double number(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v)) {
        throw ValueError("'" + text + "' is not a number");
    }
    return v;
}

std::vector<double> numbers(const std::string& text, std::size_t least, std::size_t most) {
    std::vector<double> values;
    std::stringstream parts(text);
    std::string part;
    while (std::getline(parts, part, ',')) values.push_back(number(part));
    if (values.size() < least || values.size() > most) {
        throw ValueError("'" + text + "' needs " + std::to_string(least) +
                         (least == most ? "" : " to " + std::to_string(most)) + " numbers");
    }
    return values;
}

std::vector<double> color(const std::string& text) {
    static const std::regex hex("#([0-9a-fA-F]{2})([0-9a-fA-F]{2})([0-9a-fA-F]{2})");
    std::smatch match;
    if (std::regex_match(text, match, hex)) {
        return {double(std::stoi(match[1], nullptr, 16)), double(std::stoi(match[2], nullptr, 16)),
                double(std::stoi(match[3], nullptr, 16)), 255.0};
    }
    const std::string forms =
        "; a colour is written #RRGGBB (e.g. #ff8000) or R,G,B or R,G,B,A with channels from "
        "0 to 1 (e.g. 1,0.5,0)";
    std::vector<double> values;
    try {
        values = numbers(text, 3, 4);
    } catch (const ValueError&) {
        throw ValueError("'" + text + "' is not a colour" + forms);
    }
    if (values.size() == 3)
        values.push_back(1.0);
    for (double& v : values) {
        if (v < 0 || v > 1)
            throw ValueError("'" + text + "' has a channel outside 0 to 1" + forms);
        v = std::round(v * 255.0);
    }
    return values;
}

std::vector<double> checkbox(const std::string& text) {
    if (text == "1" || text == "true")
        return {1};
    if (text == "0" || text == "false")
        return {0};
    throw ValueError("'" + text + "' is not 0, 1, true or false");
}

std::vector<double> popup(const PF_ParamDef& def, const std::string& text) {
    std::vector<std::string> entries;
    std::stringstream names(def.u.pd.u.namesptr ? def.u.pd.u.namesptr : "");
    std::string entry;
    while (std::getline(names, entry, '|')) entries.push_back(entry);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == text)
            return {double(i + 1)};
    }
    char* end = nullptr;
    const double n = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || n != std::floor(n) || n < 1 || n > def.u.pd.num_choices) {
        std::string choices;
        for (std::size_t i = 0; i < entries.size(); ++i)
            choices += (i ? ", " : "") + std::to_string(i + 1) + " " + entries[i];
        throw ValueError("'" + text + "' is none of the choices: " + choices +
                         " (write the text or the number)");
    }
    return {n};
}

std::vector<double> single(const PF_ParamDef& def, const std::string& text) {
    switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER:
        case PF_Param_ANGLE:
            return {number(text)};
        case PF_Param_COLOR:
            return color(text);
        case PF_Param_POINT:
            return numbers(text, 2, 2);
        case PF_Param_POINT_3D:
            return numbers(text, 3, 3);
        case PF_Param_CHECKBOX:
            return checkbox(text);
        case PF_Param_POPUP:
            return popup(def, text);
        default:
            throw ValueError("this parameter takes no value");
    }
}

}  // namespace

std::vector<Keyframe> parseParameterValue(const PF_ParamDef& def, const std::string& text) {
    if (text.find('@') == std::string::npos)
        return {Keyframe{0, single(def, text)}};
    // V0@T0,V1@T1: values may hold commas themselves, times do not.
    static const std::regex key(R"(([^@]+)@([^,]+)(,|$))");
    std::vector<Keyframe> keys;
    std::size_t consumed = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), key), end; it != end; ++it) {
        if (static_cast<std::size_t>(it->position()) != consumed)
            break;
        keys.push_back(Keyframe{number((*it)[2]), single(def, (*it)[1])});
        consumed += it->length();
    }
    if (consumed != text.size() || keys.empty()) {
        throw ValueError("'" + text + "' is not written V0@T0,V1@T1");
    }
    return keys;
}

std::string clampAsHost(const PF_ParamDef& def, std::vector<Keyframe>& keys) {
    if (def.param_type != PF_Param_FLOAT_SLIDER)
        return {};
    const double low = def.u.fs_d.valid_min;
    const double high = def.u.fs_d.valid_max;
    std::string clamped;
    for (Keyframe& key : keys) {
        const double v = key.value.front();
        if (v >= low && v <= high)
            continue;
        key.value.front() = v < low ? low : high;
        std::ostringstream text;
        text << (clamped.empty() ? "" : ", ") << v << " to " << key.value.front();
        clamped += text.str();
    }
    if (clamped.empty())
        return {};
    std::ostringstream range;
    range << low << " to " << high;
    return "runs from " + range.str() + "; clamped as the host clamps it: " + clamped;
}
