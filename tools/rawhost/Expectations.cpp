#include "Expectations.h"

#include <fstream>
#include <stdexcept>

namespace {

// Splits a line into words; a quoted text is one word without its quotes,
// also after "key=".
std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> result;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        std::string word;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            if (line[i] == '"') {
                const std::size_t end = line.find('"', i + 1);
                if (end == std::string::npos)
                    throw std::runtime_error("unterminated quote");
                word += line.substr(i + 1, end - i - 1);
                i = end + 1;
            } else {
                word += line[i++];
            }
        }
        result.push_back(word);
    }
    return result;
}

std::uint32_t number(const std::string& text) {
    return static_cast<std::uint32_t>(std::stoul(text, nullptr, 0));
}

}  // namespace

Expectations Expectations::read(const std::string& path) {
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    Expectations expected;
    std::string line;
    int lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#')
            continue;
        try {
            const std::vector<std::string> w = words(line);
            if (w.empty())
                continue;
            if (w[0] == "plugin_name" && w.size() == 2) {
                expected.pluginName = w[1];
            } else if (w[0] == "my_version" && w.size() == 2) {
                expected.myVersion = number(w[1]);
            } else if (w[0] == "out_flags" && w.size() == 2) {
                expected.outFlags = number(w[1]);
            } else if (w[0] == "out_flags2" && w.size() == 2) {
                expected.outFlags2 = number(w[1]);
            } else if (w[0] == "set" && w.size() == 3) {
                expected.settings.emplace_back(w[1], std::stod(w[2]));
            } else if (w[0] == "param" && w.size() >= 3) {
                ExpectedParam param{w[1], w[2], {}};
                for (std::size_t i = 3; i < w.size(); ++i) {
                    const std::size_t equals = w[i].find('=');
                    if (equals == std::string::npos)
                        throw std::runtime_error("expected key=value, not " + w[i]);
                    param.fields[w[i].substr(0, equals)] = w[i].substr(equals + 1);
                }
                expected.params.push_back(param);
            } else {
                throw std::runtime_error("unknown line");
            }
        } catch (const std::exception& e) {
            throw std::runtime_error(path + ":" + std::to_string(lineNumber) + ": " + e.what());
        }
    }
    return expected;
}
