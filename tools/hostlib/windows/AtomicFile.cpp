// Atomic writes on Windows: a temporary file in the target's folder, replaced
// over the target with MoveFileExW.
#include "AtomicFile.h"

#include <algorithm>
#include <filesystem>

#include "PackError.h"
#include "WideText.h"

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw PackError({path + ": cannot write: " + reason});
}

bool writeAll(HANDLE file, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

}  // namespace

// Windows has no execute bits: a module is a module by its name.
void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, bool) {
    const std::filesystem::path target(path);
    std::filesystem::path parent = target.parent_path();
    std::error_code created;
    if (!parent.empty())
        std::filesystem::create_directories(parent, created);
    if (created)
        fail(path, created.message());
    if (parent.empty())
        parent = ".";

    wchar_t temporary[MAX_PATH + 1];
    if (::GetTempFileNameW(parent.wstring().c_str(), L"qs", 0, temporary) == 0)
        fail(path, lastErrorText());
    HANDLE file = ::CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const std::string reason = lastErrorText();
        ::DeleteFileW(temporary);
        fail(path, reason);
    }
    const bool written = writeAll(file, bytes);
    const std::string writeError = written ? std::string() : lastErrorText();
    if (!::CloseHandle(file) || !written) {
        const std::string reason = written ? lastErrorText() : writeError;
        ::DeleteFileW(temporary);
        fail(path, reason);
    }
    if (!::MoveFileExW(temporary, target.wstring().c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const std::string reason = lastErrorText();
        ::DeleteFileW(temporary);
        fail(path, reason);
    }
}
