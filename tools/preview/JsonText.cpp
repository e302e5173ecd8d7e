#include "JsonText.h"

#include <cmath>
#include <cstdio>

std::string jsonQuote(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string jsonNumber(double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", std::isfinite(number) ? number : 0.0);
    return text;
}

std::string jsonNumbers(const std::vector<double>& numbers) {
    std::vector<std::string> values;
    for (const double n : numbers) values.push_back(jsonNumber(n));
    return jsonArray(values);
}

std::string jsonArray(const std::vector<std::string>& values) {
    std::string out = "[";
    for (std::size_t i = 0; i < values.size(); ++i) out += (i ? "," : "") + values[i];
    return out + "]";
}
