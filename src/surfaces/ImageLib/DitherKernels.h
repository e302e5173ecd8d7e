#pragma once
// The error-diffusion kernels and ordered-dither matrices, as float surfaces
// that wrap constant tables. Every cell holds one weight in all four lanes.

#include "surfaces/ImageLib/Pixels.h"
#include "surfaces/ImageLib/Surface.h"

namespace ImageLib {

// The kernel of an error-diffusion dither kind (3 to 11), or null. Row 0 is
// the current row; its first positive cell marks the current pixel.
const Surface<Pixel32>* diffusionKernel(int ditherKind);

// The threshold matrix of an ordered dither kind (13 to 15), or null.
const Surface<Pixel32>* orderedMatrix(int ditherKind);

}  // namespace ImageLib
