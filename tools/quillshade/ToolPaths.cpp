#include "ToolPaths.h"

#include <filesystem>

namespace {

std::filesystem::path modulesFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder =
        error ? std::filesystem::current_path() : self.parent_path();
    return folder / "modules";
}

}  // namespace

std::string bundledModulePath() {
    return (modulesFolder() / "ReliefmakerFX.so").string();
}

std::string bareEngineModulePath() {
    return (modulesFolder() / "QuillshadeEngine.so").string();
}
