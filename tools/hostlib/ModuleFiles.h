#pragma once
// What a host does with module files that differs between the systems: loading
// a module and finding its entry point, reading a resource from a module file
// without running it, and adding resources to a copy of a module. On Linux a
// module is a shared object with a resource trailer (platform/ModuleResources.h);
// on Windows a DLL with a resource section.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ModuleResources.h"

namespace ModuleFiles {

// The file name ending of modules.
#ifdef _WIN32
constexpr const char* kSuffix = ".aex";
#else
constexpr const char* kSuffix = ".so";
#endif

// Loads a module; null with `error` set when it cannot be loaded.
void* load(const std::string& path, std::string& error);
// The address of an exported function; null when the module has none.
void* symbol(void* module, const std::string& name);
void unload(void* module);

// Whether the bytes are a module of this system's kind, or carry resources.
bool isModule(const std::vector<std::uint8_t>& bytes);

// The data of a resource of the module file at `path`, read without loading
// the module for execution; empty when the file has no such resource.
std::optional<std::vector<std::uint8_t>> readResource(const std::string& path,
                                                      const ModuleResources::Key& name,
                                                      const ModuleResources::Key& type);

// A copy of the module `path` (whose bytes are `bytes`) with `added`
// replacing its resources of the same name and type. Throws PackError.
std::vector<std::uint8_t> withResources(const std::string& path,
                                        const std::vector<std::uint8_t>& bytes,
                                        const std::vector<ModuleResources::Resource>& added);

// The bare engine module effect modules are made from when none is named.
std::string defaultEngine();

}  // namespace ModuleFiles
