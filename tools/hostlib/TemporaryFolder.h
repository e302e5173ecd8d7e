#pragma once
// A new, empty folder of the process's own under the system's temporary folder.

#include <string>

// Throws std::runtime_error when none can be made.
std::string makeTemporaryFolder();
