// quillshade info: what a host learns about an effect module. The property
// list is read from the file without running the module; then the module runs
// global set-up and parameter set-up in a simulated host, which tells what
// the effect reports about itself and which parameters it publishes.
//
// The JSON form (--json); keys are stable, new keys may be added:
// {
//   "module": "path/Effect.so",           the module, or the --effect folder
//   "pipl": {                             the property list, as read from the file
//     "kind": "eFKT", "name": "...", "category": "...", "match_name": "...",
//     "entry_point": "EntryPointFunc", "pipl_version": 2, "api_version": [13, 2],
//     "version": 524289, "info_flags": 0, "out_flags": 100696101, "out_flags2": 5120
//   },
//   "global_setup": {                     what global set-up reported
//     "error": 0, "error_name": "PF_Err_NONE (0)",
//     "my_version": 524289, "out_flags": 100696101, "out_flags2": 5120,
//     "warnings": ["out_flags 0x... differs from the property list's 0x..."]
//   },
//   "params_setup": {"error": 0, "error_name": "PF_Err_NONE (0)"},
//   "effect_version": {                   the version keys of the package's config.xml
//     "major": 1, "minor": 0, "build": 1, "stage": 0, "text": "1.0.1 develop"
//   },
//   "renderer": "llvmpipe (LLVM 15.0.6, 256 bits)",   the GL renderer the engine gets here
//   "parameters": [                       published parameters, the input layer (0) left out
//     {"index": 1, "id": 3, "type": "FLOAT_SLIDER", "name": "Softness",
//      "script_name": "softness",        the script's own name, absent when unknown
//      "flags": 96, "ui_flags": 0,
//      "default": [3],                    absent for types without a default
//      "valid_range": [0, 40], "slider_range": [0, 40], "precision": 1,   float sliders
//      "choices": ["Directional", "Point"]}                               pop-ups
//   ]
// }
// "global_setup" and "params_setup" are null when the module could not be
// loaded; "effect_version" is null when the module's package has no readable
// config.xml, and "renderer" when no GL context could be made. A failed
// command leaves the keys after it at their starting values and "parameters"
// empty. "default" is in user units: a slider's number, an angle's degrees, a
// colour's 0..255 red, green, blue, alpha, a point's coordinates, a
// checkbox's 0 or 1, a pop-up's entry number from 1.
#include <CLI/CLI.hpp>
#include <GL/glew.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "Commands.h"
#include "EffectSource.h"
#include "EffectUnpacker.h"
#include "GlobalSetupReport.h"
#include "HostErrorNames.h"
#include "ParameterDescription.h"
#include "SimulatedHost.h"
#include "ToolPaths.h"
#include "gl/OpenGLContext.h"
#include "gl/OpenGLFault.h"
#include "package/ConfigDocument.h"

namespace {

struct InfoOptions {
    std::string plugin;
    std::string effect;
    bool json = false;
};

// What running the module told the host.
struct RunReport {
    bool loaded = false;
    std::string loadError;
    PF_Err globalError = PF_Err_NONE;
    GlobalSetupReport global;
    std::vector<std::string> warnings;
    PF_Err paramsError = PF_Err_NONE;
    std::vector<ParameterDescription> parameters;
};

RunReport runModule(const EffectModule& module) {
    RunReport report;
    report.loaded = true;
    SimulatedHost host(module);
    const CommandResult global = host.globalSetup();
    report.globalError = global.error;
    if (global.error != PF_Err_NONE)
        return report;
    report.global = GlobalSetupReport::of(global.out);
    report.warnings = report.global.differences(module.pipl());
    const CommandResult params = host.paramsSetup();
    report.paramsError = params.error;
    if (params.error != PF_Err_NONE)
        return report;
    for (PF_ParamIndex index = 1; index < host.parameters().count(); ++index) {
        report.parameters.push_back(ParameterDescription::of(index, host.parameters().at(index)));
    }
    return report;
}

// The script's own name of each parameter, by its label; the host keeps at
// most 31 characters of a label.
void addScriptNames(RunReport& run, const std::map<std::string, std::string>& labels) {
    for (ParameterDescription& p : run.parameters) {
        for (const auto& [name, label] : labels) {
            if (label.substr(0, 31) == p.name)
                p.scriptName = name;
        }
    }
}

// The release stage names of the host's version numbers.
const char* stageName(unsigned stage) {
    static const char* const names[] = {"develop", "alpha", "beta", "release"};
    return names[stage & 3];
}

// "1.0.1 develop": major.minor.build and the stage.
std::string versionText(unsigned major, unsigned minor, unsigned build, unsigned stage) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build) + " " +
           stageName(stage);
}

// The property list's packed version read back into its fields (see
// VersionPacking.h): only the low 4 bits of the minor number and the low 9
// bits of the build survive the packing.
std::string packedVersionText(std::uint32_t v) {
    return versionText(((v >> 26) & 7) << 3 | ((v >> 19) & 7), (v >> 15) & 15, v & 511,
                       (v >> 9) & 3);
}

// The version keys of config.xml in the module's package; none for a module
// without a package or without a readable config.xml.
std::optional<EffectVersion> packageVersion(const std::string& modulePath) {
    try {
        const EffectUnpacker package(modulePath);
        for (const EffectFile& file : package.files()) {
            std::string name = file.name;
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (name == "config.xml")
                return ConfigDocument(std::string(file.data.begin(), file.data.end())).getVersion();
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

// The GL renderer that the engine gets on this machine: the tool's own engine
// makes its context as a module's engine does, with the same platform code
// and device choice, and asks it. Empty when no context can be made.
std::string engineRenderer() {
    OpenGLContext context;
    context.mutex = win32::CreateMutexW(nullptr, 0, nullptr);
    std::string name;
    try {
        context.create();
        if (context.makeCurrent() == 0) {
            if (const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER)))
                name = text;
        }
        context.destroy();
    } catch (const OpenGLFault&) {
        name.clear();
    }
    return name;
}

// What info reports besides the property list and the module's run.
struct Versions {
    std::optional<EffectVersion> package;
    std::string renderer;
};

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

std::string number(double v) {
    if (!std::isfinite(v))
        return "null";
    std::ostringstream out;
    out.precision(9);
    out << v;
    return out.str();
}

std::string numbers(const std::vector<double>& values, const char* separator) {
    std::string text;
    for (double v : values) text += (text.empty() ? "" : separator) + number(v);
    return text;
}

std::string flagNames(PF_ParamFlags flags, PF_ParamUIFlags uiFlags) {
    std::string text;
    const auto add = [&text](const std::string& name) { text += (text.empty() ? "" : "|") + name; };
    if (flags & PF_ParamFlag_SUPERVISE)
        add("SUPERVISE");
    if (flags & PF_ParamFlag_START_COLLAPSED)
        add("START_COLLAPSED");
    const PF_ParamFlags other = flags & ~(PF_ParamFlag_SUPERVISE | PF_ParamFlag_START_COLLAPSED);
    if (other)
        add(hex32(static_cast<std::uint32_t>(other)));
    if (uiFlags & PF_PUI_DISABLED)
        add("DISABLED");
    return text.empty() ? "none" : text;
}

void printPiplText(const std::string& path, const PiplProperties& p, const Versions& versions) {
    std::cout << "module:        " << path << "\n"
              << "kind:          " << p.kind << "\n"
              << "name:          " << p.name << "\n"
              << "category:      " << p.category << "\n"
              << "match name:    " << p.matchName << "\n"
              << "entry point:   " << p.entryPoint << "\n"
              << "pipl version:  " << p.piplVersion << "\n"
              << "api version:   " << p.specMajor << "." << p.specMinor << "\n"
              << "version:       " << packedVersionText(p.version) << " (" << hex32(p.version)
              << ")\n"
              << "info flags:    " << p.infoFlags << "\n"
              << "out flags:     " << hex32(p.outFlags) << "\n"
              << "out flags 2:   " << hex32(p.outFlags2) << "\n";
    if (versions.package) {
        const EffectVersion& v = *versions.package;
        std::cout << "config.xml:    version " << versionText(v.major, v.minor, v.build, v.stage)
                  << "\n";
    }
    std::cout << "renderer:      " << (versions.renderer.empty() ? "none" : versions.renderer)
              << "\n";
}

void printRunText(const RunReport& run) {
    if (!run.loaded) {
        std::cout << "global set-up: not run (" << run.loadError << ")\n";
        return;
    }
    if (run.globalError != PF_Err_NONE) {
        std::cout << "global set-up: failed with " << hostErrorName(run.globalError) << "\n";
        return;
    }
    std::cout << "global set-up reports:\n"
              << "  my_version:  " << hex32(run.global.version) << "\n"
              << "  out flags:   " << hex32(static_cast<std::uint32_t>(run.global.outFlags)) << "\n"
              << "  out flags 2: " << hex32(static_cast<std::uint32_t>(run.global.outFlags2))
              << "\n";
    for (const std::string& warning : run.warnings) {
        std::cerr << "warning: global set-up reports " << warning << "\n";
    }
    if (run.paramsError != PF_Err_NONE) {
        std::cout << "parameter set-up: failed with " << hostErrorName(run.paramsError) << "\n";
        return;
    }
    std::cout << "parameters (" << run.parameters.size() << "):\n";
    for (const ParameterDescription& p : run.parameters) {
        char head[96];
        std::snprintf(head, sizeof head, "  %3d  %-13s ", static_cast<int>(p.index),
                      p.type.c_str());
        std::cout << head << jsonString(p.name);
        if (!p.scriptName.empty())
            std::cout << " (" << p.scriptName << ")";
        if (!p.dephault.empty())
            std::cout << "  default " << numbers(p.dephault, ",");
        if (p.validRange)
            std::cout << "  range " << number(p.validRange->first) << ".."
                      << number(p.validRange->second);
        if (p.sliderRange && p.sliderRange != p.validRange)
            std::cout << "  slider " << number(p.sliderRange->first) << ".."
                      << number(p.sliderRange->second);
        if (p.precision)
            std::cout << "  precision " << *p.precision;
        if (!p.choices.empty()) {
            std::string choices;
            for (const std::string& c : p.choices) choices += (choices.empty() ? "" : "|") + c;
            std::cout << "  choices " << choices;
        }
        std::cout << "  flags " << flagNames(p.flags, p.uiFlags) << "\n";
    }
}

std::string jsonError(PF_Err error) {
    return "{\"error\": " + std::to_string(error) +
           ", \"error_name\": " + jsonString(hostErrorName(error));
}

std::string jsonParameter(const ParameterDescription& p) {
    std::string text =
        "    {\"index\": " + std::to_string(p.index) + ", \"id\": " + std::to_string(p.id) +
        ", \"type\": " + jsonString(p.type) + ", \"name\": " + jsonString(p.name) +
        (p.scriptName.empty() ? "" : ", \"script_name\": " + jsonString(p.scriptName)) +
        ", \"flags\": " + std::to_string(p.flags) + ", \"ui_flags\": " + std::to_string(p.uiFlags);
    if (!p.dephault.empty())
        text += ", \"default\": [" + numbers(p.dephault, ", ") + "]";
    if (p.validRange) {
        text += ", \"valid_range\": [" + number(p.validRange->first) + ", " +
                number(p.validRange->second) + "]";
    }
    if (p.sliderRange) {
        text += ", \"slider_range\": [" + number(p.sliderRange->first) + ", " +
                number(p.sliderRange->second) + "]";
    }
    if (p.precision)
        text += ", \"precision\": " + std::to_string(*p.precision);
    if (!p.choices.empty()) {
        text += ", \"choices\": [";
        for (std::size_t i = 0; i < p.choices.size(); ++i)
            text += (i ? ", " : "") + jsonString(p.choices[i]);
        text += "]";
    }
    return text + "}";
}

std::string jsonVersion(const std::optional<EffectVersion>& version) {
    if (!version)
        return "null";
    const EffectVersion& v = *version;
    return "{\"major\": " + std::to_string(v.major) + ", \"minor\": " + std::to_string(v.minor) +
           ", \"build\": " + std::to_string(v.build) + ", \"stage\": " + std::to_string(v.stage) +
           ", \"text\": " + jsonString(versionText(v.major, v.minor, v.build, v.stage)) + "}";
}

void printJson(const std::string& path, const PiplProperties& p, const RunReport& run,
               const Versions& versions) {
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
              << "  },\n";
    if (!run.loaded) {
        std::cout << "  \"global_setup\": null,\n  \"params_setup\": null,\n";
    } else {
        std::string warnings;
        for (const std::string& w : run.warnings)
            warnings += (warnings.empty() ? "" : ", ") + jsonString(w);
        std::cout << "  \"global_setup\": " << jsonError(run.globalError)
                  << ", \"my_version\": " << run.global.version
                  << ", \"out_flags\": " << run.global.outFlags
                  << ", \"out_flags2\": " << run.global.outFlags2 << ", \"warnings\": [" << warnings
                  << "]},\n"
                  << "  \"params_setup\": " << jsonError(run.paramsError) << "},\n";
    }
    std::cout << "  \"effect_version\": " << jsonVersion(versions.package) << ",\n"
              << "  \"renderer\": "
              << (versions.renderer.empty() ? "null" : jsonString(versions.renderer)) << ",\n";
    std::cout << "  \"parameters\": [";
    for (std::size_t i = 0; i < run.parameters.size(); ++i)
        std::cout << (i ? ",\n" : "\n") << jsonParameter(run.parameters[i]);
    std::cout << (run.parameters.empty() ? "]\n" : "\n  ]\n") << "}\n";
}

int runInfo(const InfoOptions& options) {
    const std::string shown = !options.effect.empty()   ? options.effect
                              : !options.plugin.empty() ? options.plugin
                                                        : bundledModulePath();
    PiplProperties pipl;
    RunReport run;
    Versions versions;
    std::unique_ptr<OpenedEffect> effect;
    try {
        EffectSourceOptions source;
        source.plugin = options.plugin;
        source.effect = options.effect;
        if (options.effect.empty()) {
            // The property list comes from the file alone, even when the
            // module then fails to load.
            pipl = readModulePipl(shown);
        }
        try {
            effect = std::make_unique<OpenedEffect>(source);
        } catch (const std::exception& error) {
            if (!options.effect.empty())
                throw;
            run.loadError = error.what();
        }
        versions.package = packageVersion(effect ? effect->module().path() : shown);
        if (effect) {
            pipl = effect->module().pipl();
            run = runModule(effect->module());
            addScriptNames(run, effect->labelsByScriptName());
        }
    } catch (const std::exception& error) {
        std::cerr << "quillshade info: " << error.what() << "\n";
        return 1;
    }
    versions.renderer = engineRenderer();
    if (options.json) {
        printJson(shown, pipl, run, versions);
    } else {
        printPiplText(shown, pipl, versions);
        printRunText(run);
    }
    const bool ran = run.loaded && run.globalError == PF_Err_NONE && run.paramsError == PF_Err_NONE;
    return ran ? 0 : 1;
}

}  // namespace

void addInfoCommand(CLI::App& app) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand("info", "Show what a host learns about an effect module");
    CLI::Option* plugin = info->add_option("--plugin", options->plugin,
                                           "Effect module (default: the bundled ReliefmakerFX)");
    info->add_option("--effect", options->effect,
                     "Effect folder, packed into a temporary module as `pack` does")
        ->excludes(plugin);
    info->add_flag("--json", options->json, "Print stable JSON instead of text");
    info->callback([options] { throw CLI::RuntimeError(runInfo(*options)); });
}
