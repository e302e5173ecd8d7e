// Package bytes as the engine meets them: unscrambled, opened as a ZIP
// archive in memory, and every file the engine asks for extracted whole. The
// input is the plain archive, scrambled here first: a mutation then changes
// the archive where it lands instead of every byte after it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "package/PackageCipher.h"
#include "package/ZipArchive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The resource followed by the 8 zero bytes the package reader adds.
    std::vector<std::uint8_t> bytes(data, data + size);
    PackageCipher::scramble(bytes.data(), size);
    bytes.resize(size + 8);
    PackageCipher::unscramble(bytes.data(), size);
    const auto archive = ZipArchive::open(bytes.data(), size);
    if (!archive)
        return 0;
    static const char* const names[] = {"fx.js", "config.xml", "effect.frag", "image.png", "FX.JS"};
    std::vector<std::uint8_t> entry;
    for (const char* name : names) archive->extract(archive->locate(name), entry);
    return 0;
}
