#pragma once
// Frame numbers in file names: a run of '#' ("shot.####.png", as wide as the
// run) or a printf-style %d or %0Nd ("shot.%04d.png").

#include <string>

bool hasFramePattern(const std::string& name);
// `name` with its pattern replaced by `index`; `name` itself without one.
std::string framePath(const std::string& name, long index);
