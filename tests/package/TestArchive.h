#pragma once
// ZIP archives for package tests, made with libzip with their entries stored
// uncompressed, so that tests can find an entry's bytes and damage them.

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Entries as name and content; a name ending in '/' adds a directory entry.
using TestEntries = std::vector<std::pair<std::string, std::string>>;

inline std::vector<std::uint8_t> makeArchive(const TestEntries& entries,
                                             const std::string& comment = "") {
    zip_error_t error;
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_keep(buffer);
    for (const auto& [name, data] : entries) {
        if (name.back() == '/') {
            zip_dir_add(archive, name.c_str(), 0);
            continue;
        }
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), source, 0);
        zip_set_file_compression(archive, index, ZIP_CM_STORE, 0);
    }
    zip_set_archive_comment(archive, comment.data(), static_cast<zip_uint16_t>(comment.size()));
    zip_close(archive);
    zip_stat_t stat;
    zip_source_open(buffer);
    zip_source_stat(buffer, &stat);
    std::vector<std::uint8_t> bytes(stat.size);
    zip_source_read(buffer, bytes.data(), bytes.size());
    zip_source_close(buffer);
    zip_source_free(buffer);
    return bytes;
}

// Sets flag bits and the method of an entry in the central directory, which
// is where readers learn them.
inline void patchEntry(std::vector<std::uint8_t>& zip, const std::string& name, std::uint16_t flags,
                       std::uint16_t method) {
    const std::string header = "PK\x01\x02";
    for (auto at = zip.begin();
         (at = std::search(at, zip.end(), header.begin(), header.end())) != zip.end(); ++at) {
        if (zip.end() - at > 46 && at[28] == name.size() && at[29] == 0 &&
            std::equal(name.begin(), name.end(), at + 46)) {
            at[8] |= flags;
            at[10] = static_cast<std::uint8_t>(method);
        }
    }
}

// Flips one byte of an entry's stored data, leaving its CRC-32 as it was.
inline void damageStoredData(std::vector<std::uint8_t>& zip, const std::string& data) {
    const auto at = std::search(zip.begin(), zip.end(), data.begin(), data.end());
    if (at != zip.end())
        *at ^= 0x01;
}
