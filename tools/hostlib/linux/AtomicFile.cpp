#include "AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "PackError.h"

namespace {

[[noreturn]] void fail(const std::string& path, int error) {
    throw PackError({path + ": cannot write: " + std::strerror(error)});
}

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

mode_t permittedMode(bool executable) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return (executable ? 0777 : 0666) & ~mask;
}

}  // namespace

void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         bool executable) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code created;
    if (!parent.empty())
        std::filesystem::create_directories(parent, created);
    if (created)
        fail(path, created.value());

    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(&temporary[0]);
    if (fd < 0)
        fail(path, errno);
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, permittedMode(executable)) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        fail(path, error);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail(path, error);
    }
}
