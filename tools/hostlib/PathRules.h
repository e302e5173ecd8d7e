#pragma once
// Where a path really leads, for the tools' refusals: an output that would
// replace one of the inputs, a module written into the folder it is made
// from, an effect folder's entry that leads out of the folder or is no plain
// file. Links and "." and ".." are resolved; the paths need not exist.

#include <filesystem>
#include <string>

namespace PathRules {

// Absolute, with links and "." and ".." resolved as far as the path exists.
std::filesystem::path resolved(const std::filesystem::path& path);

// Whether `a` and `b` lead to one existing file: spelt differently, through
// links, or hard links of one file.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Whether `path` is `folder` or lies below it.
bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder);

// Why the entry `name` of `folder` may not be read as one of its files ("a
// link to /etc/passwd, outside the effect folder", "a fifo; ..."): a link
// that leads out of the folder, or a special file (a fifo, a device, a
// socket); empty for a file or folder inside it.
std::string entryProblem(const std::filesystem::path& folder, const std::string& name);

}  // namespace PathRules
