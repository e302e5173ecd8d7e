#pragma once
// A ZIP archive read from memory, offering what the package reader needs:
// opening over a caller's buffer, finding an entry by its whole name ignoring
// ASCII letter case, and extracting one whole entry with its CRC-32 checked.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct zip;

class ZipArchive {
public:
    // Opens the archive over `size` bytes at `data`, which must outlive it;
    // null when the bytes are not a ZIP archive.
    static std::unique_ptr<ZipArchive> open(const std::uint8_t* data, std::size_t size);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // The index of the entry with this whole name, ignoring letter case; -1 if none.
    std::int64_t locate(const std::string& name);

    // The entry's bytes; false when it cannot be read whole and intact
    // (encrypted, unsupported method, damaged data, CRC-32 mismatch).
    bool extract(std::int64_t index, std::vector<std::uint8_t>& out);

private:
    explicit ZipArchive(zip* archive) : archive_(archive) {}
    zip* archive_;
};
