#include "EmptyReads.h"

#include "package/FileReads.h"

namespace {

FileBytesHook packageBytes = nullptr;
FileTextHook packageText = nullptr;

std::set<std::string>& names() {
    static std::set<std::string> kept;
    return kept;
}

// The engine names package files by their last component; a name that does
// not narrow is kept with '?' for the characters that do not.
void record(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    std::string name;
    for (wchar_t c : path.substr(slash == std::wstring::npos ? 0 : slash + 1))
        name += c > 0 && c < 0x80 ? static_cast<char>(c) : '?';
    names().insert(name);
}

std::vector<std::uint8_t> recordedBytes(const std::wstring& path) {
    std::vector<std::uint8_t> bytes = packageBytes(path);
    if (bytes.empty())
        record(path);
    return bytes;
}

std::string recordedText(const std::wstring& path) {
    std::string text = packageText(path);
    if (text.empty())
        record(path);
    return text;
}

}  // namespace

bool recordEmptyReads() {
    if (fileBytesHook == nullptr || fileTextHook == nullptr)
        return false;
    if (fileBytesHook != recordedBytes) {
        packageBytes = fileBytesHook;
        packageText = fileTextHook;
        fileBytesHook = recordedBytes;
        fileTextHook = recordedText;
    }
    return true;
}

const std::set<std::string>& emptyReads() {
    return names();
}
