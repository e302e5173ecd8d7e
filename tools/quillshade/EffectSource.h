#pragma once
// Which effect a command runs: an effect module (--plugin, by default the
// bundled ReliefmakerFX), an effect folder packed into a temporary module as
// `pack` would (--effect), or the bare engine reading a folder's loose files
// (--loose).

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "EffectModule.h"

namespace CLI {
class App;
}

struct EffectSourceOptions {
    std::string plugin;
    std::string effect;
    std::string loose;
};

void addEffectSourceOptions(CLI::App& command, EffectSourceOptions& options);

class OpenedEffect {
public:
    // Throws std::runtime_error with a message for the user. With an `entry`,
    // the module is loaded for its handle and resources only and every
    // command goes to `entry` (see InProcessEngine.h).
    explicit OpenedEffect(const EffectSourceOptions& options, PF_FilterProc entry = nullptr);
    ~OpenedEffect();
    OpenedEffect(const OpenedEffect&) = delete;
    OpenedEffect& operator=(const OpenedEffect&) = delete;

    EffectModule& module() { return *module_; }
    // The labels of the parameters the script declares, by their script name,
    // so that users may name either; worked out on first use.
    const std::map<std::string, std::string>& labelsByScriptName();

private:
    bool inProcess_;
    std::string temporaryFolder_;
    std::string previousFolder_;
    std::unique_ptr<EffectModule> module_;
    std::optional<std::map<std::string, std::string>> labels_;
};
