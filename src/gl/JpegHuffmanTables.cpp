#include "gl/JpegHuffmanTables.h"

#include <cstddef>

namespace {

std::size_t segmentLength(const std::uint8_t* at) {
    return std::size_t{at[0]} << 8 | at[1];
}

// Walks the file's segments, entropy-coded data included (tables may come
// between scans), from the first segment at `at`, and answers whether every
// table stays within 256 symbols.
bool tablesFit(const std::uint8_t* bytes, std::size_t size, std::size_t at) {
    while (at + 1 < size) {
        if (bytes[at] != 0xFF) {
            ++at;  // entropy-coded data
            continue;
        }
        const std::uint8_t marker = bytes[at + 1];
        // Fill bytes, stuffed zeros, restart markers and the markers without
        // a length.
        if (marker == 0xFF || marker == 0x00 || (marker >= 0xD0 && marker <= 0xD9) ||
            marker == 0x01) {
            at += marker == 0xFF ? 1 : 2;
            continue;
        }
        if (at + 4 > size)
            return true;  // the decoder fails on the truncated segment itself
        const std::size_t length = segmentLength(bytes + at + 2);
        const std::size_t end = at + 2 + length;
        if (marker == 0xC4) {
            // Tables: a class and index byte, 16 counts, then the symbols.
            // Past the end of the file the decoder reads zeros, and so does
            // this walk.
            std::size_t table = at + 4;
            while (table < end) {
                std::size_t symbols = 0;
                for (std::size_t i = table + 1; i <= table + 16; ++i)
                    symbols += i < size ? bytes[i] : 0;
                if (symbols > 256)
                    return false;
                table += 17 + symbols;
            }
        }
        at = end;
    }
    return true;
}

// Where a JPEG's first segment starts, past its start-of-image marker; 0
// for anything else. The decoder takes any number of fill bytes before the
// marker.
std::size_t jpegStart(const std::vector<std::uint8_t>& bytes) {
    std::size_t at = 0;
    while (at < bytes.size() && bytes[at] == 0xFF) ++at;
    return at > 0 && at < bytes.size() && bytes[at] == 0xD8 ? at + 1 : 0;
}

}  // namespace

bool jpegHuffmanTablesFit(const std::vector<std::uint8_t>& bytes) {
    const std::size_t start = jpegStart(bytes);
    return start == 0 || tablesFit(bytes.data(), bytes.size(), start);
}
