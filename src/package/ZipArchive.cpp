#include "package/ZipArchive.h"

#include <zip.h>

#include <algorithm>
#include <new>

namespace {

// The smallest archive is its end-of-central-directory record.
constexpr std::size_t kMinimumArchiveSize = 22;
constexpr std::size_t kReadChunk = 64 * 1024;
// What a damaged directory can make us reserve before any data has arrived;
// beyond it the buffer doubles as data arrives.
constexpr std::size_t kMaximumReserve = 1024 * 1024;

}  // namespace

std::unique_ptr<ZipArchive> ZipArchive::open(const std::uint8_t* data, std::size_t size) {
    // libzip takes an empty buffer for a new, empty archive; a package must hold one.
    if (data == nullptr || size < kMinimumArchiveSize)
        return nullptr;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    zip_error_fini(&error);
    if (archive == nullptr) {
        if (source)
            zip_source_free(source);
        return nullptr;
    }
    return std::unique_ptr<ZipArchive>(new ZipArchive(archive));
}

ZipArchive::~ZipArchive() {
    zip_discard(archive_);
}

std::int64_t ZipArchive::count() {
    return zip_get_num_entries(archive_, 0);
}

std::string ZipArchive::name(std::int64_t index) {
    const char* stored = index < 0 ? nullptr : zip_get_name(archive_, index, 0);
    return stored ? stored : "";
}

std::optional<std::uint64_t> ZipArchive::statedSize(std::int64_t index) {
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(archive_, index, 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE)) {
        return std::nullopt;
    }
    return stat.size;
}

std::int64_t ZipArchive::locate(const std::string& name) {
    return zip_name_locate(archive_, name.c_str(), ZIP_FL_NOCASE);
}

bool ZipArchive::extract(std::int64_t index, std::vector<std::uint8_t>& out) {
    out.clear();
    const std::optional<std::uint64_t> stated = statedSize(index);
    if (!stated || *stated > kMaximumEntry)
        return false;
    zip_file_t* file = zip_fopen_index(archive_, index, 0);
    if (file == nullptr)
        return false;
    bool intact = false;
    try {
        // One byte more than stated reveals an entry longer than its directory says.
        out.resize(std::min<zip_uint64_t>(*stated, kMaximumReserve) + 1);
        std::size_t total = 0;
        zip_int64_t got;
        // Reading on to the end is what makes libzip compare the CRC-32.
        do {
            if (total == out.size())
                out.resize(
                    std::min<std::size_t>(std::max(total * 2, total + kReadChunk), *stated + 1));
            got = zip_fread(file, out.data() + total, out.size() - total);
            if (got > 0)
                total += static_cast<std::size_t>(got);
        } while (got > 0 && total <= *stated);
        intact = got == 0 && total == *stated;
        out.resize(total);
    } catch (const std::bad_alloc&) {
    }
    intact = zip_fclose(file) == 0 && intact;
    if (!intact)
        out.clear();
    return intact;
}
