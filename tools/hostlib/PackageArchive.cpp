#include "PackageArchive.h"

#include <zip.h>

#include <memory>

#include "PackError.h"

namespace PackageArchive {
namespace {

// A fixed time stamp (early 2000): packages do not depend on when the files were touched.
constexpr time_t kEntryTime = 946684800;
// The smallest archive is its end-of-central-directory record.
constexpr std::size_t kMinimumArchiveSize = 22;

struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using Source = std::unique_ptr<zip_source_t, SourceFree>;

[[noreturn]] void fail(const std::string& what, zip_error_t* error) {
    throw PackError({what + ": " + zip_error_strerror(error)});
}

std::vector<std::uint8_t> readAll(zip_source_t* source) {
    zip_stat_t stat;
    if (zip_source_open(source) != 0)
        fail("package archive", zip_source_error(source));
    zip_source_stat(source, &stat);
    std::vector<std::uint8_t> bytes(stat.size);
    const zip_int64_t got = zip_source_read(source, bytes.data(), bytes.size());
    zip_source_close(source);
    if (got != static_cast<zip_int64_t>(bytes.size())) {
        fail("package archive", zip_source_error(source));
    }
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> zip(const std::vector<EffectFile>& files) {
    zip_error_t error;
    zip_error_init(&error);
    Source buffer(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!buffer)
        fail("package archive", &error);
    zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error);
    if (archive == nullptr)
        fail("package archive", &error);
    // The archive releases the buffer when it closes; we still read it afterwards.
    zip_source_keep(buffer.get());
    for (const EffectFile& file : files) {
        zip_source_t* data = zip_source_buffer(archive, file.data.data(), file.data.size(), 0);
        const zip_int64_t index =
            data ? zip_file_add(archive, file.name.c_str(), data, ZIP_FL_ENC_GUESS) : -1;
        if (index < 0) {
            if (data)
                zip_source_free(data);
            zip_error_t copy = *zip_get_error(archive);
            zip_discard(archive);
            fail(file.name, &copy);
        }
        zip_set_file_compression(archive, index, ZIP_CM_DEFLATE, 9);
        zip_file_set_mtime(archive, index, kEntryTime, 0);
    }
    if (zip_close(archive) != 0) {
        zip_error_t copy = *zip_get_error(archive);
        zip_discard(archive);
        fail("package archive", &copy);
    }
    return readAll(buffer.get());
}

std::vector<EffectFile> unzip(const std::vector<std::uint8_t>& bytes, const std::string& source) {
    zip_error_t error;
    zip_error_init(&error);
    // libzip takes too short a buffer for a new, empty archive.
    zip_source_t* buffer = bytes.size() < kMinimumArchiveSize
                               ? nullptr
                               : zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* archive = buffer ? zip_open_from_source(buffer, ZIP_RDONLY, &error) : nullptr;
    if (archive == nullptr) {
        if (buffer)
            zip_source_free(buffer);
        zip_error_fini(&error);
        throw PackError({source + ": not an effect package"});
    }
    std::vector<EffectFile> files;
    std::vector<std::string> problems;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive, i, 0);
        EffectFile file{name ? name : "", {}};
        zip_file_t* entry = zip_fopen_index(archive, i, 0);
        zip_stat_t stat;
        bool intact = entry != nullptr && zip_stat_index(archive, i, 0, &stat) == 0;
        if (intact) {
            // Asking for one byte more reads on to the end, where libzip checks the CRC-32.
            file.data.resize(stat.size + 1);
            intact = zip_fread(entry, file.data.data(), file.data.size()) ==
                     static_cast<zip_int64_t>(stat.size);
            file.data.resize(stat.size);
        }
        if (entry)
            intact = zip_fclose(entry) == 0 && intact;
        if (intact) {
            files.push_back(std::move(file));
        } else {
            problems.push_back(source + ": entry " + file.name + " is damaged");
        }
    }
    zip_discard(archive);
    if (!problems.empty())
        throw PackError(problems);
    return files;
}

}  // namespace PackageArchive
