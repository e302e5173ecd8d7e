#include "package/FileReads.h"

#include <cstdio>
#include <memory>

#include "platform/Win32.h"

FileBytesHook fileBytesHook = nullptr;
FileTextHook fileTextHook = nullptr;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Loose files live in the effect's folder, the current one, as package
// entries live at the archive's root: the engine names them "\\glow.frag"
// or by a script's path, and only the last component (after '\\', '/' or
// ':') is looked up there, never a drive's root or another folder.
std::wstring looseName(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

File openFile(const std::wstring& path, const wchar_t* mode) {
    const std::wstring name = looseName(path);
    std::FILE* file = nullptr;
    if (name.empty() || win32::_wfopen_s(&file, name.c_str(), mode) != 0)
        return nullptr;
    return File(file);
}

// The file's size as a 32-bit number, leaving the position at the start.
std::int32_t fileSize(std::FILE* file) {
    std::fseek(file, 0, SEEK_END);
    const auto size = static_cast<std::int32_t>(std::ftell(file));
    std::rewind(file);
    return size;
}

}  // namespace

std::vector<std::uint8_t> readFileBytes(const std::wstring& path) {
    if (fileBytesHook)
        return fileBytesHook(path);
    const File file = openFile(path, L"rb");
    if (!file)
        return {};
    const std::int32_t size = fileSize(file.get());
    if (size <= 0)
        return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    return bytes;
}

std::string readFileText(const std::wstring& path) {
    if (fileTextHook)
        return fileTextHook(path);
    const File file = openFile(path, L"r");
    if (!file)
        return "popa";
    const std::int32_t size = fileSize(file.get());
    if (size <= 0)
        return {};
    // Text mode may turn CR LF into LF on the way, so fewer bytes can arrive.
    std::string text(static_cast<std::size_t>(size), '\0');
    text.resize(std::fread(&text[0], 1, text.size(), file.get()));
    return text.substr(0, text.find('\0'));
}
