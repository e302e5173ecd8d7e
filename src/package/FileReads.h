#pragma once
// Whole-file reads for the whole engine: from the effect package once
// BlobReader has opened it, else from the file system: the path's last
// component, from the host process's current directory, the effect's folder.

#include <cstdint>
#include <string>
#include <vector>

using FileBytesHook = std::vector<std::uint8_t> (*)(const std::wstring& path);
using FileTextHook = std::string (*)(const std::wstring& path);

// Set together by BlobReader::load once the package has opened; null before.
extern FileBytesHook fileBytesHook;
extern FileTextHook fileTextHook;

// The whole file as bytes; empty when it cannot be opened.
std::vector<std::uint8_t> readFileBytes(const std::wstring& path);

// The whole file as text up to its first zero byte. From the file system, a
// file that cannot be opened reads as "popa".
std::string readFileText(const std::wstring& path);
