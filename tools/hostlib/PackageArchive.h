#pragma once
// The plain (unscrambled) package: a ZIP archive with every effect file at its
// root, deflated, entries in the order given and with a fixed time stamp so
// that the same files always make the same package.

#include <cstdint>
#include <string>
#include <vector>

#include "EffectFile.h"

namespace PackageArchive {

// Throws PackError when the archive cannot be made.
std::vector<std::uint8_t> zip(const std::vector<EffectFile>& files);

// What all entries of one package may hold together when unpacked: four
// entries of the largest size the engine reads.
constexpr std::uint64_t kMaximumTotal = std::uint64_t{1} << 30;

// Every entry of an archive; throws PackError naming `source` when the bytes
// are not an archive, an entry cannot be read whole, an entry states more
// than the engine reads (ZipArchive::kMaximumEntry) or the entries state more
// than kMaximumTotal together. Stated sizes are checked before inflating.
std::vector<EffectFile> unzip(const std::vector<std::uint8_t>& archive, const std::string& source);

}  // namespace PackageArchive
