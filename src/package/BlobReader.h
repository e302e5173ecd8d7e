#pragma once
// The effect package: the module's "BLOB" resource of type RT_RCDATA, copied,
// unscrambled and opened as a ZIP archive in memory for the life of the
// process. Once it is open, the whole-file reads of FileReads.h are served
// from it by file name.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package/FileReads.h"
#include "package/ZipArchive.h"
#include "platform/Win32.h"
#include "platform/ustl/Singleton.h"

class BlobReader : public ustl::static_singleton<BlobReader> {
public:
    virtual ~BlobReader() = default;

    // Opens the module's package and installs the file-reading hooks; a module
    // without a usable package leaves the reads on the file system.
    void load(win32::HMODULE module);

    // A copy of the archive entry named by the path's last component, found
    // ignoring letter case; empty when missing, empty or unreadable.
    std::vector<std::uint8_t> readFile(const std::wstring& path);

private:
    friend class ustl::static_singleton<BlobReader>;
    BlobReader() = default;

    // The resource's bytes and 8 zero bytes, unscrambled; the archive reads from them.
    std::vector<std::uint8_t> packageBytes_;
    std::unique_ptr<ZipArchive> archive_;
};
