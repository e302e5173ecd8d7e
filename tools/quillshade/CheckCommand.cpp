// quillshade check: runs an effect as it will ship and reports every problem
// an author should fix before shipping it.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "EffectCheck.h"
#include "EffectSource.h"

namespace {

int runCheck(const std::string& target) {
    // A folder is packed into a temporary module first, as `pack` would.
    EffectSourceOptions source;
    (std::filesystem::is_directory(target) ? source.effect : source.plugin) = target;
    std::unique_ptr<OpenedEffect> opened;
    try {
        opened = std::make_unique<OpenedEffect>(source);
    } catch (const std::exception& error) {
        std::cout << error.what() << "\nquillshade check: " << target
                  << " cannot be packed or loaded\n";
        return 1;
    }
    const EffectCheck check(opened->module().path());
    for (const std::string& problem : check.problems()) std::cout << problem << "\n";
    for (const std::string& warning : check.warnings()) std::cout << warning << "\n";
    for (const std::string& note : check.notes()) std::cout << "note: " << note << "\n";
    const std::size_t count = check.problems().size();
    if (count == 0) {
        // Warnings leave the exit status alone: they concern other machines.
        const std::size_t warnings = check.warnings().size();
        std::cout << "quillshade check: no problems in " << target
                  << (warnings == 0   ? ""
                      : warnings == 1 ? " (1 warning)"
                                      : " (" + std::to_string(warnings) + " warnings)")
                  << "\n";
        return 0;
    }
    std::cout << "quillshade check: " << count << (count == 1 ? " problem" : " problems") << " in "
              << target << "\n";
    return 1;
}

}  // namespace

void addCheckCommand(CLI::App& app) {
    auto target = std::make_shared<std::string>();
    CLI::App* check = app.add_subcommand(
        "check",
        "Run an effect as it will ship (set-up, one frame, every shader) and report "
        "its problems");
    check->add_option("effect", *target, "Effect folder (packed first) or effect module")
        ->required();
    check->callback([target] {
        int status = 1;
        try {
            status = runCheck(*target);
        } catch (const std::exception& error) {
            std::cerr << "quillshade check: " << error.what() << "\n";
        }
        throw CLI::RuntimeError(status);
    });
}
