// Packages and modules made to exhaust the tool's memory, unpacked as a user
// runs `quillshade unpack`: each is refused from what its directory states,
// before the memory is taken.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "PackageArchive.h"
#include "ToolOutput.h"
#include "package/PackageCipher.h"
#include "package/TempFolder.h"
#include "platform/ModuleResources.h"
#include "support/Files.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

void putLittleEndian(Bytes& bytes, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Makes the archive state `size` uncompressed bytes for the entry `name`, in
// its local header and in the central directory, leaving its data as it is.
void stateSize(Bytes& zip, const std::string& name, std::uint32_t size) {
    const auto headerAt = [&](std::size_t at, std::uint32_t signature, std::size_t nameLength,
                              std::size_t nameAt) {
        std::uint32_t found = 0;
        std::memcpy(&found, &zip[at], 4);
        return found == signature && zip[at + nameLength] == name.size() &&
               std::memcmp(&zip[at + nameAt], name.data(), name.size()) == 0;
    };
    for (std::size_t at = 0; at + 46 + name.size() <= zip.size(); ++at) {
        if (headerAt(at, 0x04034b50, 26, 30))
            putLittleEndian(zip, at + 22, size, 4);
        else if (headerAt(at, 0x02014b50, 28, 46))
            putLittleEndian(zip, at + 24, size, 4);
    }
}

ToolOutput unpack(const TempFolder& folder, const Bytes& file) {
    writeBytes(folder / "input", file);
    return runTool("unpack " + quoted(folder / "input") + " -o " + quoted(folder / "out"));
}

TEST(HostilePackages, EntriesStatedLargerThanTheEngineReadsAreRefusedBeforeInflating) {
    TempFolder folder;
    const Bytes small(1000, 'x');
    Bytes one = PackageArchive::zip({{"fx.js", small}, {"big.png", small}});
    stateSize(one, "big.png", 0xF0000000u);  // 3.75 GiB
    const ToolOutput huge = unpack(folder, PackageCipher::scramblePackage(one));
    EXPECT_EQ(huge.status, 1);
    EXPECT_TRUE(huge.has("entry big.png states 4026531840 bytes; the engine reads at most 256 MiB"))
        << huge.text;

    // Each entry within the engine's limit, together more than any effect holds.
    std::vector<EffectFile> files;
    for (char c = 'a'; c < 'g'; ++c) files.push_back({std::string(1, c) + ".png", small});
    Bytes many = PackageArchive::zip(files);
    for (const EffectFile& file : files) stateSize(many, file.name, 200u << 20);
    const ToolOutput total = unpack(folder, PackageCipher::scramblePackage(many));
    EXPECT_EQ(total.status, 1);
    EXPECT_TRUE(total.has("its entries state more than 1024 MiB in all")) << total.text;
    EXPECT_FALSE(std::filesystem::exists(folder / "out"));
}

// Thousands of directory entries over the same data once took a copy each.
TEST(HostilePackages, AModuleListingTheSameResourceDataTwiceIsRefused) {
    TempFolder folder;
    const Bytes zip = PackageArchive::zip({{"fx.js", Bytes(100, 'x')}});
    ModuleResources::ModuleFile module;
    module.image = Bytes(64, 0);
    std::memcpy(module.image.data(),
                "\x7f"
                "ELF",
                4);
    for (int i = 0; i < 2; ++i)
        module.resources.push_back({ModuleResources::Key::string("BLOB"),
                                    ModuleResources::Key::number(10), 1033,
                                    PackageCipher::scramblePackage(zip)});
    Bytes bytes = ModuleResources::serialize(module);
    // The second entry's offset (the directory's last u64 pair holds its
    // offset and size) made equal to the first's, which starts the trailer.
    const std::size_t directoryEnd = bytes.size() - 24;
    putLittleEndian(bytes, directoryEnd - 16, module.image.size(), 8);
    const ToolOutput run = unpack(folder, bytes);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.has("module carries no effect package")) << run.text;

    // The same module with its entries apart unpacks.
    const ToolOutput apart = unpack(folder, ModuleResources::serialize(module));
    EXPECT_EQ(apart.status, 0) << apart.text;
}

}  // namespace
