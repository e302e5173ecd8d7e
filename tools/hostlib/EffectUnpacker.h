#pragma once
// Takes the effect's files back out of an effect module's package, or out of a
// bare package file as `pack --blob-only` writes it.

#include <string>
#include <vector>

#include "EffectFile.h"

class EffectUnpacker {
public:
    // Reads and unscrambles the package; throws PackError.
    explicit EffectUnpacker(const std::string& path);

    const std::vector<EffectFile>& files() const { return files_; }

    // Writes every file into the folder, creating it. Throws PackError, before
    // writing anything, when a file would be replaced and `force` is not set.
    void writeTo(const std::string& folder, bool force) const;

private:
    std::vector<EffectFile> files_;
};
