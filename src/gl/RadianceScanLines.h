#pragma once
// The Radiance HDR decoder the engine and the tool use reads zeros past the
// end of a file, and a zero count in a run-length scan line adds no pixels:
// a file cut off inside its run-length data keeps it looping for ever. Both
// refuse such a file before the decoder sees it.

#include <cstdint>
#include <vector>

// Whether the run-length scan lines of a Radiance HDR file of the stated
// size end within the file. Walks the scan lines as the decoder reads them:
// lines of 8 to 32767 pixels that start 2, 2 and the width are run-length
// encoded; anything else ends the walk, as the decoder then reads flat
// pixels or fails.
bool radianceRunsEndInFile(const std::vector<std::uint8_t>& bytes, int width, int height);
