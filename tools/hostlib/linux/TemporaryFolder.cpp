#include "TemporaryFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

std::string makeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillshade-XXXXXX").string();
    if (!::mkdtemp(&pattern[0]))
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}
