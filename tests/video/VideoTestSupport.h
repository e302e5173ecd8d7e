#pragma once
// What the video tests share: the ffmpeg and ffprobe programs, which make the
// clips and read back what the tool wrote, and `quillshade render` with a
// pass-through effect.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/ToolOutput.h"

namespace videotest {

inline const std::string kPassThrough = QS_TEST_SOURCE_DIR "/tests/video/effects/passthrough";

// Standard output of `command`; its errors are dropped.
inline std::string run(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    char buffer[65536];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    ::pclose(pipe);
    return text;
}

// Every frame of `path` as raw pixels of `format` (rgba or rgba64le), after
// `filters` (ffmpeg's own options, e.g. "-vf hflip").
inline std::string pixels(const std::string& path, const std::string& format,
                          const std::string& filters = "") {
    return run("ffmpeg -v error -i '" + path + "' " + filters + " -f rawvideo -pix_fmt " + format +
               " -");
}

// Entries of the streams `stream` selects (v:0, a, ...), one line each,
// comma-separated.
inline std::string probe(const std::string& path, const std::string& stream,
                         const std::string& entry) {
    return run("ffprobe -v error -select_streams " + stream + " -show_entries stream=" + entry +
               " -of csv=p=0 '" + path + "'");
}

// The mean difference of two frames' bytes; huge when their sizes differ.
inline double meanDifference(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(static_cast<std::uint8_t>(a[i]) - static_cast<std::uint8_t>(b[i]));
    return sum / a.size();
}

inline ToolOutput render(const std::string& input, const std::string& output,
                         const std::string& more = "") {
    return runTool("render --effect " + kPassThrough + " --input '" + input + "' --output '" +
                   output + "' " + more);
}

}  // namespace videotest
