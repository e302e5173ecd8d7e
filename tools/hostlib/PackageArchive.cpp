#include "PackageArchive.h"

#include <zip.h>

#include <memory>

#include "PackError.h"
#include "package/ZipArchive.h"

namespace PackageArchive {
namespace {

// A fixed time stamp (early 2000): packages do not depend on when the files were touched.
constexpr time_t kEntryTime = 946684800;

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
    const std::unique_ptr<ZipArchive> archive = ZipArchive::open(bytes.data(), bytes.size());
    if (!archive)
        throw PackError({source + ": not an effect package"});
    const std::int64_t count = archive->count();
    // Sizes are judged as the directory states them, all of them before any
    // entry is inflated, as the engine judges them.
    std::vector<std::string> problems;
    std::uint64_t total = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint64_t stated = archive->statedSize(i).value_or(0);
        if (stated > ZipArchive::kMaximumEntry) {
            problems.push_back(source + ": entry " + archive->name(i) + " states " +
                               std::to_string(stated) + " bytes; the engine reads at most " +
                               std::to_string(ZipArchive::kMaximumEntry >> 20) + " MiB an entry");
        } else if ((total += stated) > kMaximumTotal) {
            problems.push_back(source + ": its entries state more than " +
                               std::to_string(kMaximumTotal >> 20) + " MiB in all");
            break;
        }
    }
    if (!problems.empty())
        throw PackError(problems);
    std::vector<EffectFile> files;
    for (std::int64_t i = 0; i < count; ++i) {
        EffectFile file{archive->name(i), {}};
        if (archive->extract(i, file.data)) {
            files.push_back(std::move(file));
        } else {
            problems.push_back(source + ": entry " + file.name + " is damaged");
        }
    }
    if (!problems.empty())
        throw PackError(problems);
    return files;
}

}  // namespace PackageArchive
