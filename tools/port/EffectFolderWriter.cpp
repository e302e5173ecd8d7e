#include "EffectFolderWriter.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Removes a folder of its own on every path but success.
class TemporaryFolder {
public:
    explicit TemporaryFolder(fs::path path) : path_(std::move(path)) {}
    ~TemporaryFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove_all(path_, ignored);
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return path_; }
    void keep() { path_.clear(); }

private:
    fs::path path_;
};

}  // namespace

std::string EffectFolderWriter::write() const {
    const fs::path destination(destination_);
    std::error_code error;
    if (fs::exists(fs::symlink_status(destination, error)))
        return destination_ + " exists already; name another folder with --output";
    const fs::path parent =
        destination.has_parent_path() ? destination.parent_path() : fs::path(".");
    // A folder of this run's own beside the destination, so that the final
    // rename stays on one file system; create_directory is false for a name
    // that exists, so another run's folder is never taken.
    std::random_device random;
    fs::path made;
    for (int attempt = 0; attempt < 16 && made.empty(); ++attempt) {
        const fs::path candidate =
            parent / (destination.filename().string() + ".port-" + std::to_string(random()));
        if (fs::create_directory(candidate, error))
            made = candidate;
        else if (error)
            return "cannot make a folder in " + parent.string() + ": " + error.message();
    }
    if (made.empty())
        return "cannot make a folder of its own in " + parent.string();
    TemporaryFolder folder{made};
    for (const auto& [name, text] : files_) {
        std::ofstream out(folder.path() / name, std::ios::binary);
        out << text;
        out.close();
        if (!out)
            return "cannot write " + (folder.path() / name).string();
    }
    if (fs::exists(fs::symlink_status(destination, error)))
        return destination_ + " appeared while the port ran; nothing written";
    fs::rename(folder.path(), destination, error);
    if (error)
        return "cannot name the folder " + destination_ + ": " + error.message();
    folder.keep();
    return {};
}
