#include "PathRules.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace PathRules {

namespace {

const char* specialKind(fs::file_type type) {
    switch (type) {
        case fs::file_type::fifo:
            return "a fifo";
        case fs::file_type::socket:
            return "a socket";
        case fs::file_type::block:
        case fs::file_type::character:
            return "a device";
        default:
            return "not a plain file";
    }
}

}  // namespace

fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        absolute = path;
    fs::path canonical = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : canonical;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

bool isInside(const fs::path& path, const fs::path& folder) {
    const fs::path inner = resolved(path);
    fs::path outer = resolved(folder);
    if (outer.filename().empty())
        outer = outer.parent_path();
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first ==
           outer.end();
}

std::string entryProblem(const fs::path& folder, const std::string& name) {
    const fs::path entry = folder / name;
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(entry, error)) && !isInside(entry, folder)) {
        return "a link to " + resolved(entry).string() + ", outside the effect folder";
    }
    const fs::file_status status = fs::status(entry, error);
    if (error || fs::is_regular_file(status) || fs::is_directory(status))
        return {};
    return std::string(specialKind(status.type())) + "; only plain files are read";
}

}  // namespace PathRules
