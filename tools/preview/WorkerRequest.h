#pragma once
// One request from the preview's server to its resident frame worker: named
// text fields, some repeated. On the pipe each field is "name=value" ended by
// a NUL byte, which no path or value holds, and an empty field ends the
// request.

#include <istream>
#include <string>
#include <utility>
#include <vector>

class WorkerRequest {
public:
    void add(const std::string& name, const std::string& value);
    std::string encoded() const;
    // Reads the next request; false at the end of the input.
    bool read(std::istream& input);

    // The first value of `name`, or `fallback`.
    std::string one(const std::string& name, const std::string& fallback = "") const;
    std::vector<std::string> all(const std::string& name) const;

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};
