// quillshade pack: makes an effect module (or a bare package) from an effect folder.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "Commands.h"
#include "EffectPackager.h"
#include "PackError.h"

namespace {

struct PackCommandOptions {
    std::string folder;
    std::string output;
    std::string resourceFolder;
    bool blobOnly = false;
    PackOptions pack;
};

int runPack(const PackCommandOptions& options) {
    if (options.output.empty() == options.resourceFolder.empty()) {
        std::cerr << "quillshade pack: give either --output or --rc\n";
        return 1;
    }
    try {
        const EffectPackager packager(options.folder);
        if (!options.resourceFolder.empty()) {
            packager.writeResourceScript(options.resourceFolder, options.pack);
        } else if (options.blobOnly) {
            packager.writePackage(options.output);
        } else {
            packager.writeModule(options.output, options.pack);
        }
        return 0;
    } catch (const PackError& error) {
        for (const std::string& problem : error.problems()) {
            std::cerr << "quillshade pack: " << problem << "\n";
        }
    } catch (const std::exception& error) {
        std::cerr << "quillshade pack: " << error.what() << "\n";
    }
    return 1;
}

}  // namespace

void addPackCommand(CLI::App& app) {
    auto options = std::make_shared<PackCommandOptions>();
    CLI::App* pack = app.add_subcommand("pack", "Make an effect module from an effect folder");
    pack->add_option("folder", options->folder,
                     "Effect folder (fx.js, config.xml, shaders, images)")
        ->required();
    CLI::Option* output =
        pack->add_option("-o,--output", options->output, "Module (or package) file to write");
    CLI::Option* blobOnly =
        pack->add_flag("--blob-only", options->blobOnly, "Write only the scrambled package");
    CLI::Option* rc = pack->add_option(
        "--rc", options->resourceFolder,
        "Folder to write the property list, the package and resources.rc naming them, "
        "for building the module with a resource compiler");
    rc->excludes(output)->excludes(blobOnly);
    const std::pair<const char*, std::string*> texts[] = {
        {"--engine", &options->pack.engineModule},
        {"--name", &options->pack.name},
        {"--category", &options->pack.category},
        {"--match-name", &options->pack.matchName},
    };
    const char* const help[] = {
        "Bare engine module to add the effect to (default: the one built with this tool)",
        "Effect name shown to the user (default: the folder's name)",
        "Effect category (default: Quillshade)",
        "Match name, the effect's stable identity in projects (default: the name)",
    };
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        pack->add_option(texts[i].first, *texts[i].second, help[i])->excludes(blobOnly);
    }
    pack->callback([options] { throw CLI::RuntimeError(runPack(*options)); });
}
