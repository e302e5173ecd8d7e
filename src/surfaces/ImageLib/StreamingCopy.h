#pragma once
// Copying pixels that nobody reads again soon, such as a frame going back to
// the host: the destination is written around the caches, which then neither
// fetch each line before it is overwritten nor give up what they hold for it.

#include <cstddef>

namespace ImageLib {

// The same bytes as memcpy (the reference); regions must not overlap. The
// writes are complete and ordered before it returns.
void streamingCopy(void* destination, const void* source, std::size_t bytes);

}  // namespace ImageLib
