// Windows has no mkdtemp: names from the process id and a counter are tried
// until CreateDirectoryW makes one that did not exist.
#include "TemporaryFolder.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <stdexcept>

std::string makeTemporaryFolder() {
    static std::atomic<unsigned> counter{::GetTickCount()};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::filesystem::path folder =
            base / ("quillshade-" + std::to_string(::GetCurrentProcessId()) + "-" +
                    std::to_string(counter++));
        if (::CreateDirectoryW(folder.wstring().c_str(), nullptr))
            return folder.string();
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    throw std::runtime_error("cannot make a temporary folder");
}
