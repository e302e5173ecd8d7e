#pragma once
// The engine's whole-file reads that came back empty: files its script or
// its shaders asked for that the package does not hold (or holds empty). The
// engine gives such reads no voice (a texture without pixels, a shader with an
// error text), so a check records them as they happen.

#include <set>
#include <string>

// Wraps the package's read hooks, which BlobReader::load installs; call it
// after the load and before the engine reads anything. False when the
// package did not open, so no hooks exist.
bool recordEmptyReads();

// The names read empty so far, as the engine asked for them, without folders.
const std::set<std::string>& emptyReads();
