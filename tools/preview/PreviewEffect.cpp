#include "PreviewEffect.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "ChildProcess.h"
#include "EffectPackager.h"
#include "PackError.h"
#include "PathRules.h"
#include "TemporaryFolder.h"

namespace fs = std::filesystem;

namespace {

bool isImage(const fs::path& path) {
    std::string kind = path.extension().string();
    std::transform(kind.begin(), kind.end(), kind.begin(), ::tolower);
    return kind == ".png" || kind == ".jpg" || kind == ".jpeg" || kind == ".hdr" || kind == ".exr";
}

}  // namespace

PreviewEffect::PreviewEffect(const std::string& target) {
    if (fs::is_directory(target)) {
        folder_ = fs::absolute(target).string();
        temporary_ = makeTemporaryFolder();
        reload();
        watcher_ = std::thread([this] { watch(); });
    } else if (fs::is_regular_file(target)) {
        state_.module = fs::absolute(target).string();
        state_.generation = 1;
        check(state_.module);
    } else {
        throw std::runtime_error(target + " is neither an effect folder nor a module");
    }
}

PreviewEffect::~PreviewEffect() {
    stopping_ = true;
    if (watcher_.joinable())
        watcher_.join();
    std::error_code ignored;
    if (!temporary_.empty())
        fs::remove_all(temporary_, ignored);
}

PreviewEffect::State PreviewEffect::state() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

std::vector<std::string> PreviewEffect::images() const {
    std::vector<std::string> names;
    if (folder_.empty())
        return names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        // Links out of the folder are refused as pack refuses them.
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && isImage(entry.path()) &&
            PathRules::entryProblem(folder_, name).empty())
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string PreviewEffect::imagePath(const std::string& name) const {
    const std::vector<std::string> names = images();
    return std::find(names.begin(), names.end(), name) == names.end()
               ? std::string()
               : (fs::path(folder_) / name).string();
}

PreviewEffect::Snapshot PreviewEffect::snapshot() const {
    Snapshot files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        std::error_code ignored;
        const auto time = fs::last_write_time(entry.path(), ignored);
        files.emplace_back(
            entry.path().filename().string() + ":" + std::to_string(entry.file_size(ignored)),
            time.time_since_epoch().count());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void PreviewEffect::reload() {
    std::string problems;
    std::string module;
    std::uint64_t generation;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        generation = state_.generation + 1;
    }
    try {
        // A new name for every generation: a worker may still read the last one.
        module = (fs::path(temporary_) / ("effect-" + std::to_string(generation) + ".so")).string();
        EffectPackager(folder_).writeModule(module, PackOptions{});
    } catch (const PackError& error) {
        for (const std::string& line : error.problems()) problems += line + "\n";
        module.clear();
    } catch (const std::exception& error) {
        problems = error.what();
        module.clear();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!module.empty()) {
            std::error_code ignored;
            fs::remove(
                fs::path(temporary_) / ("effect-" + std::to_string(state_.generation - 1) + ".so"),
                ignored);
            state_.module = module;
        }
        state_.generation = generation;
        state_.problems = problems;
    }
    if (!module.empty())
        check(folder_);
}

void PreviewEffect::check(const std::string& what) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        state_.checking = true;
    }
    const ChildResult result = runTool({"check", what}, 120);
    std::lock_guard<std::mutex> lock(mutex_);
    state_.checking = false;
    state_.problems = result.status == 0      ? std::string()
                      : result.output.empty() ? "quillshade check did not finish"
                                              : result.output;
}

void PreviewEffect::watch() {
    Snapshot last = snapshot();
    while (!stopping_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        Snapshot now = snapshot();
        if (now != last) {
            // Editors save in steps; let the folder settle first.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            last = snapshot();
            reload();
        }
    }
}
