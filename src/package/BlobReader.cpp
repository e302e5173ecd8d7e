#include "package/BlobReader.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "package/PackageCipher.h"

namespace {

// The unscrambled tail runs into these zero bytes, so the last partial word of
// the package is read whole.
constexpr std::size_t kPadding = 8;

// RT_RCDATA, spelt out because Windows headers define it as a macro.
const win32::LPCWSTR kPackageType =
    reinterpret_cast<win32::LPCWSTR>(static_cast<std::uintptr_t>(10));

std::vector<std::uint8_t> packageBytes(const std::wstring& path) {
    return BlobReader::instance().readFile(path);
}

std::string packageText(const std::wstring& path) {
    const std::vector<std::uint8_t> bytes = BlobReader::instance().readFile(path);
    const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t(0));
    return std::string(bytes.begin(), end);
}

}  // namespace

void BlobReader::load(win32::HMODULE module) {
    if (archive_)
        return;
    const win32::HRSRC resource = win32::FindResourceW(module, L"BLOB", kPackageType);
    if (resource == nullptr)
        return;
    const win32::DWORD size = win32::SizeofResource(module, resource);
    if (size == 0)
        return;
    const void* data = win32::LockResource(win32::LoadResource(module, resource));
    if (data == nullptr)
        return;

    packageBytes_.assign(size + kPadding, 0);
    std::memcpy(packageBytes_.data(), data, size);
    PackageCipher::unscramble(packageBytes_.data(), packageBytes_.size());
    archive_ = ZipArchive::open(packageBytes_.data(), size);
    if (!archive_) {
        packageBytes_ = {};
        return;
    }
    fileTextHook = packageText;
    fileBytesHook = packageBytes;
}

std::vector<std::uint8_t> BlobReader::readFile(const std::wstring& path) {
    if (!archive_)
        return {};
    std::string narrow(path.size() * MB_LEN_MAX + 2, '\0');
    const std::size_t length = std::wcstombs(&narrow[0], path.c_str(), narrow.size());
    if (length == static_cast<std::size_t>(-1))
        return {};
    narrow.resize(length);
    std::vector<std::uint8_t> bytes;
    archive_->extract(archive_->locate(win32::PathFindFileNameA(narrow.c_str())), bytes);
    return bytes;
}
