#pragma once
// What of a video source goes along into a video rendered from it, as the
// reader found it: the colour its pixels are in, HDR metadata, field order and
// timecode. Free of libav's types so that the tool compiles without its
// headers; the numbers are libav's (for colour, the H.273 code points).

#include <cstdint>
#include <string>
#include <vector>

struct VideoDescription {
    // The source file, whose audio and other tracks go along; empty: none.
    std::string path;
    // Bits per channel of the source's pixels.
    int bits = 8;
    // AVColorPrimaries, AVColorTransferCharacteristic, AVColorSpace,
    // AVColorRange and AVChromaLocation; 2 (0 for range and siting) when the
    // source does not say.
    int primaries = 2;
    int transfer = 2;
    int matrix = 2;
    int range = 0;
    int chromaLocation = 0;
    // AVMasteringDisplayMetadata and AVContentLightMetadata as libav lays
    // them out; empty when the source has none.
    std::vector<std::uint8_t> masteringDisplay;
    std::vector<std::uint8_t> contentLightLevel;
    // AVFieldOrder of the frames as the reader gives them (after turning the
    // picture upright): 0 unknown, 1 progressive.
    int fieldOrder = 0;
    // Why the source's field order could not be kept; empty when it was.
    std::string fieldsLost;
    // The timecode of the source's frame 0, e.g. "01:00:00:00"; empty: none.
    std::string timecode;
};
