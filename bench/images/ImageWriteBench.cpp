// Writes one frame as PNG and EXR with the default settings and with the
// settings written before they were tuned (PNG at zlib level 6 with libpng's
// filter choice, EXR with ZIP), and prints the median wall time of each, the
// file sizes and the speed-up against its goal.
// Usage: bench_images FRAME.png OUT_FOLDER [REPETITIONS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ImageFiles.h"

namespace {

struct Result {
    double milliseconds;
    std::uintmax_t bytes;
};

Result timeWrite(const HostWorld& frame, const std::string& path,
                 const ImageWriteSettings& settings, int repetitions) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        writeImageFile(path, frame, settings);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], std::filesystem::file_size(path)};
}

void compare(const char* what, const HostWorld& frame, const std::filesystem::path& folder,
             const char* name, const ImageWriteSettings& before, int repetitions, double goal) {
    const Result old =
        timeWrite(frame, (folder / ("before-" + std::string(name))).string(), before, repetitions);
    const Result now =
        timeWrite(frame, (folder / name).string(), ImageWriteSettings{}, repetitions);
    std::printf(
        "%-22s before %8.1f ms %10ju bytes | now %8.1f ms %10ju bytes | %5.2fx (goal >= %.0fx)\n",
        what, old.milliseconds, old.bytes, now.milliseconds, now.bytes,
        old.milliseconds / now.milliseconds, goal);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FRAME.png OUT_FOLDER [REPETITIONS]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    const int repetitions = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    try {
        const HostWorld frame = readImageFile(argv[1]);
        ImageWriteSettings before;
        before.pngCompression = 6;
        before.exrCompression = ExrCompression::Zip;
        compare("PNG 8-bit", frame, folder, "frame8.png", before, repetitions, 5);
        compare("PNG 16-bit", frame.converted(16), folder, "frame16.png", before, repetitions, 5);
        compare("EXR float", frame.converted(32), folder, "frame.exr", before, repetitions, 5);
        // The 8-bit file, for comparing its size with other writers'.
        std::printf("written: %s\n", (folder / "frame8.png").string().c_str());
    } catch (const ImageFileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
