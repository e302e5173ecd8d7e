// Video files as `quillshade render` reads its inputs: the container probed
// and opened, the first video stream's decoder set up within the image limit,
// and frames decoded in order and converted to host images. Seeds are clips
// of 16 x 16 pixels and 3 frames in the containers and codecs the tool meets
// (made with the ffmpeg program from its testsrc2 pattern, e.g.
// `ffmpeg -f lavfi -i testsrc2=s=16x16 -frames:v 3 -c:v ffv1 ffv1.mkv`).
//
// libav itself is not instrumented, so its own branches guide nothing and its
// memory errors show only where they reach ours; the target checks what the
// reader does with whatever libav makes of a damaged file.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/cpu.h>
#include <libavutil/log.h>
}

#include "FuzzFile.h"
#include "ImageBudget.h"
#include "VideoReader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // 1 MiB a frame: a damaged header that states a large frame is refused
    // or decoded at a size that keeps runs short.
    setenv(ImageBudget::kVariable, "1", 1);
    // Decoders on one thread: no threads to start for every input, and a
    // finding repeats without depending on how frames were shared out.
    av_cpu_force_count(1);
    // libav's own messages about damaged input, hundreds of thousands of
    // lines an hour, are noise here: the reader reports what it must.
    av_log_set_callback([](void*, int, const char*, va_list) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = fuzzFile("video", data, size);
    try {
        VideoReader reader(path);
        reader.rate();
        reader.frameCount();
        // The seeds have 3 frames; a damaged file may state any number, and
        // more frames only repeat the same paths.
        for (long index = 0; index < 4; ++index) {
            const HostWorld image = reader.frame(index);
            const std::size_t pixelBytes =
                std::size_t{4} * static_cast<std::size_t>(image.depth()) / 8;
            std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width()) * pixelBytes);
            for (A_long y = 0; y < image.height(); ++y)
                std::memcpy(row.data(), image.row(y), row.size());
            // What a render takes along from the source, and what it reports.
            reader.description();
            reader.takeWarnings();
        }
    } catch (const VideoError&) {
    }
    return 0;
}
