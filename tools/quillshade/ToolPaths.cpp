#include "ToolPaths.h"

#include <filesystem>

std::string bundledModulePath() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder =
        error ? std::filesystem::current_path() : self.parent_path();
    return (folder / "modules" / "ReliefmakerFX.so").string();
}
