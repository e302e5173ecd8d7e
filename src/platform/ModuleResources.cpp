#include "platform/ModuleResources.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>

namespace ModuleResources {
namespace {

constexpr char kMagic[8] = {'Q', 'S', 'R', 'S', 'R', 'C', '0', '1'};
constexpr std::size_t kFooterSize = 24;

void putU8(std::vector<std::uint8_t>& out, std::uint8_t v) {
    out.push_back(v);
}
void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    for (int i = 0; i < 2; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void putU64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putKey(std::vector<std::uint8_t>& out, const Key& key) {
    if (key.text) {
        putU8(out, 1);
        putU16(out, static_cast<std::uint16_t>(key.text->size()));
        out.insert(out.end(), key.text->begin(), key.text->end());
    } else {
        putU8(out, 0);
        putU32(out, key.id);
    }
}

// Bounds-checked little-endian reader over a byte range; any read past the
// end marks it failed, so a damaged trailer is rejected as a whole.
class Reader {
public:
    Reader(const std::uint8_t* begin, std::size_t size) : data_(begin), size_(size) {}
    bool failed() const { return failed_; }

    std::uint64_t number(int bytes) {
        if (!take(bytes))
            return 0;
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v |= std::uint64_t(data_[pos_ - bytes + i]) << (8 * i);
        return v;
    }
    std::string text(std::size_t length) {
        if (!take(length))
            return {};
        return std::string(reinterpret_cast<const char*>(data_ + pos_ - length), length);
    }
    Key key() {
        if (number(1) == 1)
            return Key::string(text(static_cast<std::size_t>(number(2))));
        return Key::number(static_cast<std::uint32_t>(number(4)));
    }

private:
    bool take(std::size_t n) {
        if (failed_ || n > size_ - pos_) {
            failed_ = true;
            return false;
        }
        pos_ += n;
        return true;
    }
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Where a resource's data lies in the file.
struct DataRange {
    std::uint64_t offset;
    std::uint64_t size;
};

// Whether any two non-empty ranges share a byte: a directory that lists the
// same data twice (or thousands of times) is damaged, not a module.
bool overlapping(std::vector<DataRange> ranges) {
    ranges.erase(std::remove_if(ranges.begin(), ranges.end(),
                                [](const DataRange& range) { return range.size == 0; }),
                 ranges.end());
    std::sort(ranges.begin(), ranges.end(),
              [](const DataRange& a, const DataRange& b) { return a.offset < b.offset; });
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].offset < ranges[i - 1].offset + ranges[i - 1].size)
            return true;
    }
    return false;
}

}  // namespace

ModuleFile parse(const std::vector<std::uint8_t>& bytes) {
    ModuleFile whole{bytes, {}};
    if (bytes.size() < kFooterSize)
        return whole;
    const std::uint8_t* footer = bytes.data() + bytes.size() - kFooterSize;
    if (std::memcmp(footer + 16, kMagic, sizeof kMagic) != 0)
        return whole;

    Reader footerReader(footer, 16);
    const std::uint64_t directoryOffset = footerReader.number(8);
    const std::uint64_t imageSize = footerReader.number(8);
    const std::uint64_t trailerEnd = bytes.size() - kFooterSize;
    if (imageSize > directoryOffset || directoryOffset > trailerEnd)
        return whole;

    Reader directory(bytes.data() + directoryOffset, trailerEnd - directoryOffset);
    ModuleFile module;
    std::vector<DataRange> ranges;
    // Each entry takes at least 24 bytes of the directory, so a damaged count
    // ends the loop as soon as the directory runs out.
    const std::uint64_t count = directory.number(4);
    for (std::uint64_t i = 0; i < count && !directory.failed(); ++i) {
        Resource resource;
        resource.name = directory.key();
        resource.type = directory.key();
        resource.language = static_cast<std::uint16_t>(directory.number(2));
        const std::uint64_t offset = directory.number(8);
        const std::uint64_t size = directory.number(8);
        if (directory.failed() || offset < imageSize || offset > directoryOffset ||
            size > directoryOffset - offset) {
            return whole;
        }
        ranges.push_back(DataRange{offset, size});
        module.resources.push_back(std::move(resource));
    }
    // Data is copied only once every entry is known to own its bytes, so the
    // copies together never exceed the file.
    if (directory.failed() || overlapping(ranges))
        return whole;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(ranges[i].offset);
        module.resources[i].data.assign(first, first + static_cast<std::ptrdiff_t>(ranges[i].size));
    }
    module.image.assign(bytes.begin(), bytes.begin() + imageSize);
    return module;
}

std::vector<std::uint8_t> serialize(const ModuleFile& module) {
    std::vector<std::uint8_t> out(module.image);
    std::vector<std::uint64_t> offsets;
    for (const Resource& resource : module.resources) {
        offsets.push_back(out.size());
        out.insert(out.end(), resource.data.begin(), resource.data.end());
    }
    const std::uint64_t directoryOffset = out.size();
    putU32(out, static_cast<std::uint32_t>(module.resources.size()));
    for (std::size_t i = 0; i < module.resources.size(); ++i) {
        const Resource& resource = module.resources[i];
        putKey(out, resource.name);
        putKey(out, resource.type);
        putU16(out, resource.language);
        putU64(out, offsets[i]);
        putU64(out, resource.data.size());
    }
    putU64(out, directoryOffset);
    putU64(out, module.image.size());
    out.insert(out.end(), std::begin(kMagic), std::end(kMagic));
    return out;
}

const Resource* find(const ModuleFile& module, const Key& name, const Key& type) {
    for (const Resource& resource : module.resources) {
        if (resource.name == name && resource.type == type)
            return &resource;
    }
    return nullptr;
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
    // A mebibyte a read: modules run to megabytes, and reading them a
    // character at a time through a stream iterator cost a render's set-up a
    // tenth of a second. The size is not asked for first, since a folder
    // opens too and reports a size it does not have.
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::size_t used = 0;
    do {
        bytes.resize(used + kBlock);
        in.read(reinterpret_cast<char*>(bytes.data() + used), kBlock);
        used += static_cast<std::size_t>(in.gcount());
    } while (in);
    if (in.bad())
        return std::nullopt;
    bytes.resize(used);
    return bytes;
}

}  // namespace ModuleResources
