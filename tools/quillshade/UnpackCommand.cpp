// quillshade unpack: restores an effect folder from an effect module or a bare package.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "Commands.h"
#include "EffectUnpacker.h"
#include "PackError.h"

namespace {

struct UnpackCommandOptions {
    std::string input;
    std::string folder;
    bool force = false;
};

int runUnpack(const UnpackCommandOptions& options) {
    try {
        EffectUnpacker(options.input).writeTo(options.folder, options.force);
        return 0;
    } catch (const PackError& error) {
        for (const std::string& problem : error.problems()) {
            std::cerr << "quillshade unpack: " << problem << "\n";
        }
    } catch (const std::exception& error) {
        std::cerr << "quillshade unpack: " << error.what() << "\n";
    }
    return 1;
}

}  // namespace

void addUnpackCommand(CLI::App& app) {
    auto options = std::make_shared<UnpackCommandOptions>();
    CLI::App* unpack =
        app.add_subcommand("unpack", "Restore an effect folder from an effect module or package");
    unpack->add_option("file", options->input, "Effect module, or package from pack --blob-only")
        ->required();
    unpack->add_option("-o,--output", options->folder, "Folder to restore the files into")
        ->required();
    unpack->add_flag("--force", options->force, "Replace files that already exist");
    unpack->callback([options] { throw CLI::RuntimeError(runUnpack(*options)); });
}
