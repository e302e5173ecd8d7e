// Writes one frame as PNG and EXR with the default settings and as the tool
// wrote them before they were tuned (PNG at zlib level 6 with libpng's filter
// choice; EXR with OpenEXR's default ZIP on the calling thread, as the writer
// then did), and prints the median wall time of each, the file sizes and the
// speed-up against its goal where it has one. A second EXR line gives ZIP on
// all cores, the speed-up of the compression alone.
// Usage: bench_images FRAME.png OUT_FOLDER [REPETITIONS]
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <ImfStdIO.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "ImageFiles.h"

namespace {

using Write = std::function<void(const HostWorld&, const std::string&)>;

// The EXR writer before tuning: default header, no worker threads, to memory
// and then to the file, as the tool's writer does.
void writeExrAsBefore(const HostWorld& image, const std::string& path) {
    Imf::Header header(image.width(), image.height());
    const char* const names[] = {"R", "G", "B", "A"};
    const std::size_t offsets[] = {offsetof(PF_PixelFloat, red), offsetof(PF_PixelFloat, green),
                                   offsetof(PF_PixelFloat, blue), offsetof(PF_PixelFloat, alpha)};
    Imf::FrameBuffer buffer;
    const char* first = static_cast<const char*>(image.row(0));
    for (int c = 0; c < 4; ++c) {
        header.channels().insert(names[c], Imf::Channel(Imf::FLOAT));
        buffer.insert(names[c], Imf::Slice(Imf::FLOAT, const_cast<char*>(first + offsets[c]),
                                           sizeof(PF_PixelFloat),
                                           static_cast<std::size_t>(image.rowBytes())));
    }
    Imf::StdOSStream stream;
    {
        Imf::OutputFile file(stream, header, 0);
        file.setFrameBuffer(buffer);
        file.writePixels(image.height());
    }
    const std::string bytes = stream.str();
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

Write withSettings(const ImageWriteSettings& settings) {
    return [settings](const HostWorld& image, const std::string& path) {
        writeImageFile(path, image, settings);
    };
}

struct Result {
    double milliseconds;
    std::uintmax_t bytes;
};

Result timeWrite(const HostWorld& frame, const std::string& path, const Write& write,
                 int repetitions) {
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = std::chrono::steady_clock::now();
        write(frame, path);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], std::filesystem::file_size(path)};
}

void compare(const char* what, const HostWorld& frame, const std::filesystem::path& folder,
             const char* name, const Write& before, int repetitions, double goal) {
    const Result old =
        timeWrite(frame, (folder / ("before-" + std::string(name))).string(), before, repetitions);
    const Result now = timeWrite(frame, (folder / name).string(), withSettings({}), repetitions);
    const double speedUp = old.milliseconds / now.milliseconds;
    std::printf("%-24s before %8.1f ms %10ju bytes | now %8.1f ms %10ju bytes | %5.2fx", what,
                old.milliseconds, old.bytes, now.milliseconds, now.bytes, speedUp);
    if (goal > 0) {
        std::printf(" (goal >= %.0fx)\n", goal);
    } else {
        std::printf("\n");
    }
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
        compare("PNG 8-bit", frame, folder, "frame8.png", withSettings(before), repetitions, 5);
        compare("PNG 16-bit", frame.converted(16), folder, "frame16.png", withSettings(before),
                repetitions, 0);
        const HostWorld floats = frame.converted(32);
        // The speed goal is the 8-bit PNG's; EXR's is a choice of
        // compression and writing on all cores.
        compare("EXR float", floats, folder, "frame.exr", writeExrAsBefore, repetitions, 0);
        compare("EXR float, ZIP threaded", floats, folder, "frame.exr", withSettings(before),
                repetitions, 0);
        // The 8-bit file, for comparing its size with other writers'.
        std::printf("written: %s\n", (folder / "frame8.png").string().c_str());
    } catch (const ImageFileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
