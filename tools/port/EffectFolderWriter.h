#pragma once
// Writes a new effect folder whole or not at all: the files go into a
// temporary folder beside the destination, which is renamed to the final
// name once every file is written. An existing folder is never touched.

#include <string>
#include <utility>
#include <vector>

class EffectFolderWriter {
public:
    explicit EffectFolderWriter(std::string destination) : destination_(std::move(destination)) {}

    void add(const std::string& name, const std::string& text) { files_.emplace_back(name, text); }
    // Empty on success, else what went wrong.
    std::string write() const;

private:
    std::string destination_;
    std::vector<std::pair<std::string, std::string>> files_;
};
