#pragma once
// Frame numbers in file names: a run of '#' ("shot.####.png", as wide as the
// run) or a printf-style %d or %0Nd ("shot.%04d.png"), at most
// kMaximumFrameWidth digits wide.

#include <string>
#include <utility>

// Frame numbers have at most 9 digits (--frames); wider padding would only
// add zeros, which a name can hold as text.
constexpr int kMaximumFrameWidth = 9;

bool hasFramePattern(const std::string& name);
// Throws std::runtime_error for a pattern wider than kMaximumFrameWidth.
void requireFrameWidth(const std::string& name);
// `name` with its pattern replaced by `index`; `name` itself without one.
// Throws as requireFrameWidth does.
std::string framePath(const std::string& name, long index);
// The lowest and highest numbers of the frames of `pattern` that have a file,
// looking at no more than `mostEntries` entries of their folder. Throws
// std::runtime_error when no file matches, when the folder holds more
// entries, or when the number is in a folder's name.
std::pair<long, long> existingFrameRange(const std::string& pattern, long mostEntries);
