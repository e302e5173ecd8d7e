#pragma once
// Colour codes (primaries, transfer, matrix, range, chroma siting) as a
// stream states them. The decoder stores a damaged stream's codes as they
// came, outside the library's enumerations, in fields of those enumeration
// types; reading such a field as its type is undefined in C++. It is read
// as a number, and a code the library does not know is taken as unspecified.

#include <cstring>

extern "C" {
#include <libavutil/pixfmt.h>
}

template <typename Code>
Code knownColourCode(const Code& field, int count, Code unspecified) {
    static_assert(sizeof(Code) == sizeof(int), "the library's enumerations are ints");
    int value = 0;
    std::memcpy(&value, &field, sizeof value);
    return value >= 0 && value < count ? static_cast<Code>(value) : unspecified;
}

// The Y'CbCr matrices the scaler has coefficients for, each a plain matrix
// of luma coefficients; it takes any other as BT.601.
inline bool scalerKnowsMatrix(int matrix) {
    switch (matrix) {
        case AVCOL_SPC_BT709:
        case AVCOL_SPC_FCC:
        case AVCOL_SPC_BT470BG:
        case AVCOL_SPC_SMPTE170M:
        case AVCOL_SPC_SMPTE240M:
        case AVCOL_SPC_BT2020_NCL:
            return true;
        default:
            return false;
    }
}
