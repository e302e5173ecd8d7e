#pragma once
// A ZIP archive read from memory, offering what the package reader needs:
// opening over a caller's buffer, finding an entry by its whole name ignoring
// ASCII letter case, and extracting one whole entry with its CRC-32 checked.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct zip;

class ZipArchive {
public:
    // No file an effect needs comes near this; a larger entry is a
    // decompression bomb, refused before it is inflated.
    static constexpr std::uint64_t kMaximumEntry = 256 * 1024 * 1024;

    // Opens the archive over `size` bytes at `data`, which must outlive it;
    // null when the bytes are not a ZIP archive.
    static std::unique_ptr<ZipArchive> open(const std::uint8_t* data, std::size_t size);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // How many entries the directory lists.
    std::int64_t count();
    // The entry's name as stored; empty for an index out of range.
    std::string name(std::int64_t index);
    // The size the directory states for the entry, before anything is
    // inflated; none when the directory states none or the index is out of range.
    std::optional<std::uint64_t> statedSize(std::int64_t index);

    // The index of the entry with this whole name, ignoring letter case; -1 if none.
    std::int64_t locate(const std::string& name);

    // The entry's bytes; false when it cannot be read whole and intact
    // (stated larger than kMaximumEntry, encrypted, unsupported method,
    // damaged data, CRC-32 mismatch).
    bool extract(std::int64_t index, std::vector<std::uint8_t>& out);

private:
    explicit ZipArchive(zip* archive) : archive_(archive) {}
    zip* archive_;
};
