// quillshade info: what a host learns about an effect module.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>

#include "Commands.h"
#include "EffectModule.h"
#include "ToolPaths.h"

namespace {

struct InfoOptions {
    std::string plugin;
    bool json = false;
};

std::string hex32(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

std::string jsonString(const std::string& s) {
    std::ostringstream out;
    out << '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out << '\\' << c;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out << escaped;
        } else {
            out << c;
        }
    }
    out << '"';
    return out.str();
}

void printText(const std::string& path, const PiplProperties& p) {
    std::cout << "module:        " << path << "\n"
              << "kind:          " << p.kind << "\n"
              << "name:          " << p.name << "\n"
              << "category:      " << p.category << "\n"
              << "match name:    " << p.matchName << "\n"
              << "entry point:   " << p.entryPoint << "\n"
              << "pipl version:  " << p.piplVersion << "\n"
              << "api version:   " << p.specMajor << "." << p.specMinor << "\n"
              << "version:       " << hex32(p.version) << "\n"
              << "info flags:    " << p.infoFlags << "\n"
              << "out flags:     " << hex32(p.outFlags) << "\n"
              << "out flags 2:   " << hex32(p.outFlags2) << "\n";
}

void printJson(const std::string& path, const PiplProperties& p) {
    std::cout << "{\n"
              << "  \"module\": " << jsonString(path) << ",\n"
              << "  \"pipl\": {\n"
              << "    \"kind\": " << jsonString(p.kind) << ",\n"
              << "    \"name\": " << jsonString(p.name) << ",\n"
              << "    \"category\": " << jsonString(p.category) << ",\n"
              << "    \"match_name\": " << jsonString(p.matchName) << ",\n"
              << "    \"entry_point\": " << jsonString(p.entryPoint) << ",\n"
              << "    \"pipl_version\": " << p.piplVersion << ",\n"
              << "    \"api_version\": [" << p.specMajor << ", " << p.specMinor << "],\n"
              << "    \"version\": " << p.version << ",\n"
              << "    \"info_flags\": " << p.infoFlags << ",\n"
              << "    \"out_flags\": " << p.outFlags << ",\n"
              << "    \"out_flags2\": " << p.outFlags2 << "\n"
              << "  }\n"
              << "}\n";
}

int runInfo(const InfoOptions& options) {
    const std::string path = options.plugin.empty() ? bundledModulePath() : options.plugin;
    try {
        const PiplProperties pipl = readModulePipl(path);
        options.json ? printJson(path, pipl) : printText(path, pipl);
        return 0;
    } catch (const ModuleLoadError& error) {
        std::cerr << "quillshade info: " << error.what() << "\n";
        return 1;
    }
}

}  // namespace

void addInfoCommand(CLI::App& app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand("info", "Show what a host learns about an effect module");
    info->add_option("--plugin", options->plugin,
                     "Effect module (default: the bundled ReliefmakerFX)");
    info->add_flag("--json", options->json, "Print stable JSON instead of text");
    info->callback([options] { throw CLI::RuntimeError(runInfo(*options)); });
}
