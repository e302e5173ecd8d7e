#pragma once
// Writing a whole file so that readers see either the old file or the new one:
// the bytes go to a temporary file beside it, which is then renamed over it.

#include <cstdint>
#include <string>
#include <vector>

// Creates missing parent folders. An executable file gets the execute bits the
// process's umask allows. Throws PackError, leaving no temporary file behind.
void writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         bool executable);
