#pragma once
// The video reader takes a path (libav opens files by name), so its target
// hands it each input as a file: one per process under /tmp, named by the
// process id, rewritten for every run and removed when the process exits
// (a run stopped at a finding leaves it, with the input it stopped at).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline const std::string& fuzzFile(const char* target, const std::uint8_t* data, std::size_t size) {
    static const std::string path = [target] {
        std::string name = "/tmp/qs-fuzz-" + std::string(target) + "-" + std::to_string(getpid());
        static std::string removed;
        removed = name;
        std::atexit([] { std::remove(removed.c_str()); });
        return name;
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
        std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}
