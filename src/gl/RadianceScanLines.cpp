#include "gl/RadianceScanLines.h"

#include <cstddef>

bool radianceRunsEndInFile(const std::vector<std::uint8_t>& bytes, int width, int height) {
    if (width < 8 || width >= 32768)
        return true;
    // The data follows the header's lines up to an empty one, and the line
    // with the image size. The decoder reads each line as a C string, so a
    // line that starts with a zero byte is empty too.
    std::size_t at = 0;
    auto lineIsEmpty = [&] {
        const bool empty = at >= bytes.size() || bytes[at] == '\n' || bytes[at] == 0;
        while (at < bytes.size() && bytes[at] != '\n') ++at;
        at += at < bytes.size();
        return empty;
    };
    lineIsEmpty();
    while (at < bytes.size() && !lineIsEmpty()) {
    }
    lineIsEmpty();
    const auto byte = [&](std::size_t index) { return index < bytes.size() ? bytes[index] : 0; };
    for (int y = 0; y < height; ++y) {
        if (byte(at) != 2 || byte(at + 1) != 2 || (byte(at + 2) & 0x80) != 0 ||
            (byte(at + 2) << 8 | byte(at + 3)) != width)
            return true;
        at += 4;
        for (int channel = 0; channel < 4; ++channel) {
            for (int x = 0; x < width;) {
                if (at >= bytes.size())
                    return false;
                const int count = bytes[at++];
                const int run = count > 128 ? count - 128 : count;
                if (run > width - x)
                    return true;  // the decoder reports bad run-length data
                at += count > 128 ? 1 : static_cast<std::size_t>(run);
                x += run;
            }
        }
    }
    return true;
}
