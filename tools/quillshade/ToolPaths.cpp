#include "ToolPaths.h"

#include <filesystem>

#include "ModuleFiles.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifdef _WIN32
std::filesystem::path programPath(std::error_code& error) {
    wchar_t path[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        error = std::make_error_code(std::errc::filename_too_long);
    return path;
}
#else
std::filesystem::path programPath(std::error_code& error) {
    return std::filesystem::read_symlink("/proc/self/exe", error);
}
#endif

std::filesystem::path modulesFolder() {
    std::error_code error;
    const std::filesystem::path self = programPath(error);
    const std::filesystem::path folder =
        error ? std::filesystem::current_path() : self.parent_path();
    return folder / "modules";
}

}  // namespace

std::string bundledModulePath() {
    return (modulesFolder() / (std::string("ReliefmakerFX") + ModuleFiles::kSuffix)).string();
}

std::string bareEngineModulePath() {
    return (modulesFolder() / (std::string("QuillshadeEngine") + ModuleFiles::kSuffix)).string();
}
