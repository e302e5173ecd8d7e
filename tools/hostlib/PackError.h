#pragma once
// Packing or unpacking refused: every problem found, each one line that names
// the file and the reason. Nothing has been written when it is thrown.

#include <stdexcept>
#include <string>
#include <vector>

class PackError : public std::runtime_error {
public:
    explicit PackError(std::vector<std::string> problems)
        : std::runtime_error(problems.empty() ? std::string() : problems.front()),
          problems_(std::move(problems)) {}

    const std::vector<std::string>& problems() const { return problems_; }

private:
    std::vector<std::string> problems_;
};
