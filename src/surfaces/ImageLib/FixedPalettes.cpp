#include "surfaces/ImageLib/FixedPalettes.h"

#include "surfaces/ImageLib/PixelConversion.h"

namespace ImageLib {

namespace {

// The byte conversion at compile time: byte/256 is what the 0x4700 pattern
// minus 32768 leaves, exactly, so the product rounds the same way.
constexpr float channel(std::uint32_t byte) {
    return (static_cast<float>(byte) * (1.0f / 256.0f)) * kByteToUnitScale;
}

constexpr Pixel32 colour(std::uint32_t argb) {
    return {channel(argb >> 24), channel((argb >> 16) & 0xFF), channel((argb >> 8) & 0xFF),
            channel(argb & 0xFF)};
}

// Modes 9 and 10 are float tables from the start.
constexpr Pixel32 kMode9[] = {
    colour(0xff000000), colour(0xff0027fb), colour(0xff00f92c), colour(0xff00fcfe),
    colour(0xffff3016), colour(0xffff3ffc), colour(0xfffffd33), colour(0xffffffff),
};

constexpr Pixel32 kMode10[] = {
    colour(0xff000000), colour(0xff001290), colour(0xff008f15), colour(0xff009092),
    colour(0xff9b1708), colour(0xff9a2091), colour(0xff949119), colour(0xffb8b8b8),
    colour(0xff686868), colour(0xff0027fb), colour(0xff00f92c), colour(0xff00fcfe),
    colour(0xffff3016), colour(0xffff3ffc), colour(0xfffffd33), colour(0xffffffff),
};

// Modes 11 to 21 are kept as A, R, G, B bytes and turned into floats once.
struct ByteTable {
    std::uint32_t size;
    std::uint32_t colours[16];
};

constexpr int kFirstByteMode = 11;
constexpr ByteTable kByteTables[] = {
    {16,
     {0xff000000, 0xff722640, 0xff40337f, 0xffe434fe, 0xff0e5940, 0xffcccccc, 0xff1b9afe,
      0xffbfb3ff, 0xff404c00, 0xffe46501, 0xffcccccc, 0xfff1a6bf, 0xff1bcb01, 0xffbfcc80,
      0xff8dd9bf, 0xffffffff}},
    {16,
     {0xff000000, 0xffffffff, 0xff8d3e37, 0xff72c1c8, 0xff80348b, 0xff55a049, 0xff40318d,
      0xffaab95d, 0xff8b5429, 0xffd59f74, 0xffb86962, 0xff87d6dd, 0xffaa5fb6, 0xff94e089,
      0xff8071cc, 0xffbfce72}},
    {16,
     {0xff000000, 0xffffffff, 0xff883932, 0xff67b6bd, 0xff8b3f96, 0xff55a049, 0xff40318d,
      0xffbfce72, 0xff8b5429, 0xff574200, 0xffb86962, 0xff505050, 0xff787878, 0xff94e089,
      0xff7869c4, 0xff9f9f9f}},
    {4, {0xff000000, 0xff00aaaa, 0xffaa00aa, 0xffaaaaaa}},
    {4, {0xff000000, 0xff55ffff, 0xffff55ff, 0xffffffff}},
    {4, {0xff000000, 0xff00aa00, 0xffaa0000, 0xffaa5500}},
    {4, {0xff000000, 0xff55ff55, 0xffff5555, 0xffffff55}},
    {4, {0xff000000, 0xff00aaaa, 0xffaa0000, 0xffaaaaaa}},
    {4, {0xff000000, 0xff55ffff, 0xffff5555, 0xffffffff}},
    {16,
     {0xff000000, 0xff0000aa, 0xff00aa00, 0xff00aaaa, 0xffaa0000, 0xffaa00aa, 0xffaa5500,
      0xffaaaaaa, 0xff555555, 0xff5555ff, 0xff55ff55, 0xff55ffff, 0xffff5555, 0xffff55ff,
      0xffffff55, 0xffffffff}},
    {16,
     {0xff000000, 0xff000000, 0xff3eb849, 0xff74d07d, 0xff5955e0, 0xff8076f1, 0xffb95e51,
      0xff65dbef, 0xffdb6559, 0xffff897d, 0xffccc35e, 0xffded087, 0xff3aa241, 0xffb766b5,
      0xffcccccc, 0xffffffff}},
};
constexpr int kByteTableCount = sizeof kByteTables / sizeof kByteTables[0];

// Process-wide, guarded by the command lock like every quantization.
bool conversionPending = true;
Pixel32 convertedTables[kByteTableCount][16];

void convertByteTables() {
    for (int t = 0; t < kByteTableCount; ++t) {
        for (std::uint32_t i = 0; i < kByteTables[t].size; ++i) {
            const std::uint32_t argb = kByteTables[t].colours[i];
            convertedTables[t][i] = toLinearFloat(
                Pixel8{static_cast<std::uint8_t>(argb >> 24), static_cast<std::uint8_t>(argb >> 16),
                       static_cast<std::uint8_t>(argb >> 8), static_cast<std::uint8_t>(argb)});
        }
    }
    conversionPending = false;
}

}  // namespace

FixedPalette fixedPalette(int paletteMode) {
    const int table = paletteMode - kFirstByteMode;
    if (paletteMode < 9 || table >= kByteTableCount) {
        return {};
    }
    if (conversionPending) {
        convertByteTables();
    }
    if (paletteMode == 9) {
        return {kMode9, sizeof kMode9 / sizeof kMode9[0]};
    }
    if (paletteMode == 10) {
        return {kMode10, sizeof kMode10 / sizeof kMode10[0]};
    }
    return {convertedTables[table], kByteTables[table].size};
}

}  // namespace ImageLib
