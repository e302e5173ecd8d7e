#pragma once
// Resources of a module file on systems without a resource section format of
// their own. The resources follow the module's ELF image as a trailer that the
// loader never maps:
//
//   [module image][data 0][data 1]...[directory][footer]
//
// directory: u32 entry count, then per entry: name, type (each a u8 kind:
//   0 integer id with a u32, 1 string with a u16 length and ASCII bytes),
//   u16 language, u64 data offset, u64 data size.
// footer (24 bytes): u64 directory offset, u64 image size, 8 bytes "QSRSRC01".
// All numbers little-endian. Writing resources replaces an existing trailer,
// as updating the resources of a Windows module does.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ModuleResources {

// A resource name or type: an integer id, or a string when `text` is set.
struct Key {
    std::uint32_t id = 0;
    std::optional<std::string> text;

    static Key number(std::uint32_t value) { return Key{value, std::nullopt}; }
    static Key string(std::string value) { return Key{0, std::move(value)}; }
    bool operator==(const Key& other) const { return id == other.id && text == other.text; }
};

struct Resource {
    Key name;
    Key type;
    std::uint16_t language = 0;
    std::vector<std::uint8_t> data;
};

// The module image without any trailer, and the resources of the trailer.
struct ModuleFile {
    std::vector<std::uint8_t> image;
    std::vector<Resource> resources;
};

// Splits a module file's bytes; a file without a valid trailer is all image.
ModuleFile parse(const std::vector<std::uint8_t>& bytes);

// Joins an image and its resources into the bytes of a module file.
std::vector<std::uint8_t> serialize(const ModuleFile& module);

// Finds a resource by name and type (language is not compared); null if absent.
const Resource* find(const ModuleFile& module, const Key& name, const Key& type);

// Reads a whole file; an empty optional when it cannot be read.
std::optional<std::vector<std::uint8_t>> readFile(const std::string& path);

}  // namespace ModuleResources
