#pragma once
// A picture for rendering an effect before the user chooses one.

#include "HostWorld.h"

// Opaque colour ramps, red across and green down, over a checkerboard of
// `cell`-pixel squares in blue: enough structure that effects which measure,
// blur or move the picture do visible work.
HostWorld testPattern(A_long width, A_long height, A_long cell);
