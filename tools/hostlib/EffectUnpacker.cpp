#include "EffectUnpacker.h"

#include <filesystem>

#include "AtomicFile.h"
#include "ModuleFiles.h"
#include "PackError.h"
#include "PackageArchive.h"
#include "package/PackageCipher.h"
#include "platform/ModuleResources.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kRcData = 10;

// Only names that stay inside the target folder come back out.
bool restorable(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string::npos;
}

}  // namespace

EffectUnpacker::EffectUnpacker(const std::string& path) {
    const auto bytes = ModuleResources::readFile(path);
    if (!bytes)
        throw PackError({path + ": cannot be read"});
    std::optional<std::vector<std::uint8_t>> blob;
    if (ModuleFiles::isModule(*bytes)) {
        blob = ModuleFiles::readResource(path, ModuleResources::Key::string("BLOB"),
                                         ModuleResources::Key::number(kRcData));
        if (!blob)
            throw PackError({path + ": module carries no effect package"});
    }
    files_ = PackageArchive::unzip(PackageCipher::unscramblePackage(blob ? *blob : *bytes), path);
    std::vector<std::string> problems;
    for (const EffectFile& file : files_) {
        if (!restorable(file.name)) {
            problems.push_back(path + ": entry \"" + file.name + "\" is not a plain file name");
        }
    }
    if (!problems.empty())
        throw PackError(problems);
}

void EffectUnpacker::writeTo(const std::string& folder, bool force) const {
    std::vector<std::string> problems;
    std::error_code error;
    if (fs::exists(folder, error) && !fs::is_directory(folder, error)) {
        throw PackError({folder + ": not a folder"});
    }
    for (const EffectFile& file : files_) {
        const fs::path target = fs::path(folder) / file.name;
        if (fs::is_directory(target, error)) {
            problems.push_back(target.string() + ": a folder stands in the way");
        } else if (fs::exists(target, error) && !force) {
            problems.push_back(target.string() + ": exists; --force replaces it");
        }
    }
    if (!problems.empty())
        throw PackError(problems);
    for (const EffectFile& file : files_) {
        writeFileAtomically((fs::path(folder) / file.name).string(), file.data, false);
    }
}
