#include "EffectSource.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "EffectPackager.h"
#include "ScriptParameters.h"
#include "EffectUnpacker.h"
#include "ModuleFiles.h"
#include "PackError.h"
#include "TemporaryFolder.h"
#include "ToolPaths.h"

namespace fs = std::filesystem;

namespace {

std::unique_ptr<EffectModule> loadModule(const std::string& path, EffectModule::PropertyList list,
                                         PF_FilterProc entry) {
    return entry ? std::make_unique<EffectModule>(path, entry, list)
                 : std::make_unique<EffectModule>(path, list);
}

}  // namespace

void addEffectSourceOptions(CLI::App& command, EffectSourceOptions& options) {
    CLI::Option* plugin = command.add_option("--plugin", options.plugin,
                                             "Effect module (default: the bundled ReliefmakerFX)");
    CLI::Option* effect = command.add_option(
        "--effect", options.effect, "Effect folder, packed into a temporary module as `pack` does");
    CLI::Option* loose = command.add_option(
        "--loose", options.loose, "Effect folder read as loose files by the bare engine module");
    plugin->excludes(effect)->excludes(loose);
    effect->excludes(loose);
}

OpenedEffect::OpenedEffect(const EffectSourceOptions& options, PF_FilterProc entry)
    : inProcess_(entry != nullptr) {
    try {
        if (!options.effect.empty()) {
            EffectPackager packager(options.effect);
            temporaryFolder_ = makeTemporaryFolder();
            const std::string path =
                (fs::path(temporaryFolder_) /
                 (fs::path(options.effect).filename().string() + ModuleFiles::kSuffix))
                    .string();
            packager.writeModule(path, PackOptions{});
            module_ = loadModule(path, EffectModule::WithPropertyList, entry);
        } else if (!options.loose.empty()) {
            if (!fs::is_directory(options.loose)) {
                throw std::runtime_error(options.loose + " is not a folder");
            }
            // The bare engine reads its effect from the current folder.
            module_ = loadModule(bareEngineModulePath(), EffectModule::WithoutPropertyList, entry);
            previousFolder_ = fs::current_path().string();
            fs::current_path(options.loose);
        } else {
            const std::string path = options.plugin.empty() ? bundledModulePath() : options.plugin;
            module_ = loadModule(path, EffectModule::WithPropertyList, entry);
        }
    } catch (const PackError& error) {
        std::string message;
        for (const std::string& problem : error.problems()) {
            message += (message.empty() ? "" : "\n") + problem;
        }
        throw std::runtime_error(message);
    }
}

OpenedEffect::~OpenedEffect() {
    module_.reset();
    std::error_code ignored;
    if (!previousFolder_.empty())
        fs::current_path(previousFolder_, ignored);
    if (!temporaryFolder_.empty())
        fs::remove_all(temporaryFolder_, ignored);
}

const std::map<std::string, std::string>& OpenedEffect::labelsByScriptName() {
    if (!labels_)
        labels_ = declaredParameterLabels(*module_, inProcess_);
    return *labels_;
}
