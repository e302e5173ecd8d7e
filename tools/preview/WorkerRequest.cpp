#include "WorkerRequest.h"

void WorkerRequest::add(const std::string& name, const std::string& value) {
    fields_.emplace_back(name, value);
}

std::string WorkerRequest::encoded() const {
    std::string text;
    for (const auto& [name, value] : fields_) {
        text += name + "=" + value;
        text += '\0';
    }
    text += '\0';
    return text;
}

bool WorkerRequest::read(std::istream& input) {
    fields_.clear();
    std::string field;
    while (std::getline(input, field, '\0')) {
        if (field.empty())
            return true;
        const std::size_t equals = field.find('=');
        fields_.emplace_back(field.substr(0, equals),
                             equals == std::string::npos ? "" : field.substr(equals + 1));
    }
    return false;
}

std::string WorkerRequest::one(const std::string& name, const std::string& fallback) const {
    for (const auto& [key, value] : fields_)
        if (key == name)
            return value;
    return fallback;
}

std::vector<std::string> WorkerRequest::all(const std::string& name) const {
    std::vector<std::string> values;
    for (const auto& [key, value] : fields_)
        if (key == name)
            values.push_back(value);
    return values;
}
