#pragma once
// Colour reduction of surfaces to a palette, with optional dithering.

#include "surfaces/ImageLib/Pixels.h"
#include "surfaces/ImageLib/Surface.h"

namespace ImageLib {

// Palette modes as the script passes them.
namespace PaletteMode {
constexpr int BlackAndWhite = 1;  // white or black by a threshold on red
constexpr int Adaptive8 = 2;      // 2 to 7: adaptive, 8 << (mode - 2) colours at most
constexpr int Adaptive256 = 7;
constexpr int Unchanged = 8;
constexpr int FirstFixed = 9;  // 9 to 21: the fixed palettes
constexpr int LastFixed = 21;
}  // namespace PaletteMode

// Dither kinds as the script passes them; the others leave the colours alone.
namespace DitherKind {
constexpr int None = 1;
constexpr int FloydSteinberg = 3;
constexpr int JarvisJudiceNinke = 4;
constexpr int Stucki = 5;
constexpr int Atkinson = 6;
constexpr int Burkes = 7;
constexpr int Sierra = 8;
constexpr int TwoRowSierra = 9;
constexpr int SierraLite = 10;
constexpr int StevensonArce = 11;
constexpr int Ordered2x2 = 13;
constexpr int Bayer4x4 = 14;
constexpr int Bayer8x8 = 15;
}  // namespace DitherKind

// Which per-pixel code runs: the 128-bit vector code, or the channel-by-channel
// reference with a linear palette search. Both give the same bits.
enum class Arithmetic { Vector, Scalar };

// Replaces the colours of a float surface in place. Distances, errors and
// offsets cover all four channels, alpha included. The strength is the
// threshold of black and white and the scale of ordered offsets; it plays no
// part in error diffusion.
void quantize(Surface<Pixel32>& surface, int paletteMode, int ditherKind, float strength,
              bool serpentine, Arithmetic arithmetic = Arithmetic::Vector);

// Quantizes a float copy of the surface (grey first when asked for or in
// black and white) and writes its colour channels back; alpha makes the round
// trip through float from the surface's own pixel. Empty surfaces are left
// alone.
void quantizeSurface(Surface<Pixel8>& surface, bool grey, int paletteMode, int ditherKind,
                     float strength, bool serpentine, Arithmetic arithmetic = Arithmetic::Vector);
void quantizeSurface(Surface<Pixel15>& surface, bool grey, int paletteMode, int ditherKind,
                     float strength, bool serpentine, Arithmetic arithmetic = Arithmetic::Vector);
void quantizeSurface(Surface<Pixel32>& surface, bool grey, int paletteMode, int ditherKind,
                     float strength, bool serpentine, Arithmetic arithmetic = Arithmetic::Vector);

}  // namespace ImageLib
