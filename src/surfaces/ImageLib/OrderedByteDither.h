#pragma once
// Ordered dithering of 8-bit surfaces onto a palette through the vector
// search. A byte plus a matrix cell's offset is the same float in every pixel,
// so the cube of the search's finest grid that it falls in, and the part of
// that cube, are worked out once a frame for every byte and cell; a pixel in
// a part where a single colour can be nearest then takes it with table reads
// and no float arithmetic. The others go through the search with their value
// computed as the general loop does, so the output is the same.

#if defined(__SSE2__) || defined(_M_X64)

#include "surfaces/ImageLib/ColourSearch.h"
#include "surfaces/ImageLib/Palette.h"
#include "surfaces/ImageLib/Pixels.h"
#include "surfaces/ImageLib/Surface.h"

namespace ImageLib {

// Replaces each pixel's colour channels by the palette colour nearest its
// value plus scale times its matrix cell; alpha stays. The matrix's sides are
// powers of two.
void ditherOrderedBytes(Surface<Pixel8>& surface, const Surface<Pixel32>& matrix, float scale,
                        const Palette& palette, ColourSearch& search);

}  // namespace ImageLib

#endif
