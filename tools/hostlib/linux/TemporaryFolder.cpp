#include "TemporaryFolder.h"

#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr char kPrefix[] = "quillshade-";

// The process id in a name "quillshade-<pid>-XXXXXX", or 0.
pid_t ownerOf(const std::string& name) {
    const std::size_t prefix = sizeof kPrefix - 1;
    if (name.compare(0, prefix, kPrefix) != 0)
        return 0;
    const std::size_t dash = name.find('-', prefix);
    if (dash == std::string::npos || dash == prefix || dash - prefix > 9)
        return 0;
    pid_t pid = 0;
    for (std::size_t i = prefix; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

// A crash or a kill leaves the folder of the process behind; the next tool
// to start removes the folders of processes that no longer run. Only folders
// of this user's own processes can be removed, and a folder whose process id
// was taken again waits for that process to end.
void removeAbandonedFolders(const fs::path& base) {
    std::error_code error;
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const pid_t owner = ownerOf(it->path().filename().string());
        if (owner <= 0 || owner == ::getpid() || ::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        std::error_code ignored;
        if (it->symlink_status(ignored).type() == fs::file_type::directory)
            fs::remove_all(it->path(), ignored);
    }
}

}  // namespace

std::string makeTemporaryFolder() {
    const fs::path base = fs::temp_directory_path();
    removeAbandonedFolders(base);
    std::string pattern = (base / (kPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (!::mkdtemp(&pattern[0]))
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}
