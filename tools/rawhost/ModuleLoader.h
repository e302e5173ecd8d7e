#pragma once
// Loads an effect module from disk as a host does (dlopen on Linux,
// LoadLibraryW on Windows) and finds its one export, EntryPointFunc. Modules
// stay loaded until the process ends.

#include <string>

#include "RawHost.h"

struct LoadedModule {
    void* handle = nullptr;  // what the host hands the module as its instance
    EntryPoint entry = nullptr;
};

// Throws std::runtime_error when the module does not load or lacks the export.
LoadedModule loadModule(const std::string& path);
