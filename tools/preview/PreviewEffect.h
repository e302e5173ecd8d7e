#pragma once
// The effect the preview shows. A folder is packed into a module in a
// temporary folder, as `pack` does, and watched: when any of its files
// changes it is packed again and checked again. A module file is shown as it
// is. Each new module gets a new generation number, which tells the page to
// render again; the check's report is the text `quillshade check` prints.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PreviewEffect {
public:
    struct State {
        std::uint64_t generation = 0;
        // The module to render; empty while none could be packed.
        std::string module;
        // The check's report when it found problems (or the pack's).
        std::string problems;
        bool checking = false;
    };

    // Throws std::runtime_error when `target` is neither a folder nor a file.
    explicit PreviewEffect(const std::string& target);
    ~PreviewEffect();
    PreviewEffect(const PreviewEffect&) = delete;
    PreviewEffect& operator=(const PreviewEffect&) = delete;

    State state() const;
    // The effect folder's images by name, which the page offers for layer
    // parameters, without links that lead out of the folder; empty for a module.
    std::vector<std::string> images() const;
    // The path of an image images() lists; empty for any other name.
    std::string imagePath(const std::string& name) const;

private:
    using Snapshot = std::vector<std::pair<std::string, std::int64_t>>;
    Snapshot snapshot() const;
    void reload();
    void check(const std::string& what);
    void watch();

    std::string folder_;
    std::string temporary_;
    mutable std::mutex mutex_;
    State state_;
    std::atomic<bool> stopping_{false};
    std::thread watcher_;
};
