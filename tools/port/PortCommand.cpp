// quillshade port: an effect folder from shaders written for other hosts.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "EffectFolderWriter.h"
#include "EffectScript.h"
#include "SourceDialect.h"

namespace fs = std::filesystem;

namespace {

// Larger shaders than any host's editor holds are no shaders.
constexpr std::uintmax_t kMaxShaderBytes = 1 << 20;

struct PortOptions {
    std::vector<std::string> files;
    std::string from;
    std::string output;
    std::string name;
};

bool readShader(const std::string& path, std::string& text) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        std::cerr << "quillshade port: " << path << " is no file\n";
        return false;
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMaxShaderBytes) {
        std::cerr << "quillshade port: " << path << " is larger than a shader can be (1 MiB)\n";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (!in) {
        std::cerr << "quillshade port: cannot read " << path << "\n";
        return false;
    }
    text = content.str();
    return true;
}

// A shader name the package takes: letters, digits, '_' and '-', unique in
// any letter case among `taken`.
std::string shaderNameFor(const std::string& path, std::vector<std::string>& taken) {
    std::string base = fs::path(path).stem().string();
    for (char& c : base)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-')
            c = '_';
    if (base.empty())
        base = "pass";
    auto lower = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](char c) {
            return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        });
        return text;
    };
    std::string name = base;
    for (int suffix = 2; std::find(taken.begin(), taken.end(), lower(name)) != taken.end();
         ++suffix)
        name = base + std::to_string(suffix);
    taken.push_back(lower(name));
    return name;
}

std::string configText(const std::string& name, const std::string& source) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<ABOUT>" +
           name + ": ported by quillshade port from " + source +
           ".</ABOUT>\n"
           "<AGEP_ID>" +
           name +
           "</AGEP_ID>\n"
           "<MAJOR_VERSION>1</MAJOR_VERSION>\n"
           "<MINOR_VERSION>0</MINOR_VERSION>\n"
           "<!-- 16-bit and 32-bit frames: the shaders read and write 0..1 at every depth. -->\n"
           "<FLAGS>33554432</FLAGS>\n"
           "<FLAGS2>5120</FLAGS2>\n";
}

bool isXmlSafe(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == '_' || c == '-' ||
               c == '.';
    });
}

int runPort(const PortOptions& options) {
    SourceDialect chosen = SourceDialect::Glsl;
    if (!options.from.empty() && !parseSourceDialect(options.from, chosen)) {
        std::cerr << "quillshade port: --from takes shadertoy, webgl or glsl, not " << options.from
                  << "\n";
        return 1;
    }
    const std::string output =
        options.output.empty() ? fs::path(options.files.front()).stem().string() : options.output;
    const std::string name =
        options.name.empty() ? fs::path(output).filename().string() : options.name;
    if (name.empty() || !isXmlSafe(name)) {
        std::cerr << "quillshade port: name the effect with letters, digits, spaces, '_', '-' "
                     "and '.' (--name)\n";
        return 1;
    }
    std::vector<PortPass> passes;
    std::vector<std::string> taken{"upright", "fx", "config"};
    std::string sources;
    int notes = 0;
    for (const std::string& file : options.files) {
        std::string text;
        if (!readShader(file, text))
            return 1;
        const SourceDialect dialect =
            options.from.empty() ? detectSourceDialect(ShaderText(text)) : chosen;
        PortPass pass{shaderNameFor(file, taken), PortedShader(text, dialect)};
        std::cout << file << ": " << sourceDialectName(dialect) << " shader, written as "
                  << pass.shaderName << ".frag\n";
        for (const PortNote& note : pass.shader.notes()) {
            std::cout << file << ":" << note.line << ": not translated: " << note.text << "\n";
            ++notes;
        }
        sources += (sources.empty() ? "" : ", ") + fs::path(file).filename().string();
        passes.push_back(std::move(pass));
    }
    EffectFolderWriter writer(output);
    writer.add("config.xml", configText(name, isXmlSafe(sources) ? sources : "shaders"));
    writer.add("fx.js", effectScript(passes, sources));
    if (needsUprightShader(passes))
        writer.add("upright.frag", kUprightShader);
    for (const PortPass& pass : passes) writer.add(pass.shaderName + ".frag", pass.shader.text());
    const std::string problem = writer.write();
    if (!problem.empty()) {
        std::cerr << "quillshade port: " << problem << "\n";
        return 1;
    }
    std::cout << "quillshade port: wrote " << output << " (" << passes.size() << " pass"
              << (passes.size() == 1 ? "" : "es")
              << (notes > 0 ? ", " + std::to_string(notes) + " lines not translated" : "")
              << "); run \"quillshade check " << output << "\"\n";
    return 0;
}

}  // namespace

void addPortCommand(CLI::App& app) {
    auto options = std::make_shared<PortOptions>();
    CLI::App* port = app.add_subcommand(
        "port", "Write an effect folder from shaders written for Shadertoy, WebGL or desktop GLSL");
    port->add_option("FILE", options->files,
                     "Shaders, one pass each, run in this order (each reads the one before)")
        ->required()
        ->check(CLI::ExistingFile);
    port->add_option("--from", options->from,
                     "The host they were written for: shadertoy, webgl or glsl (default: "
                     "guessed from each file)");
    port->add_option("-o,--output", options->output,
                     "The effect folder to write, which must not exist (default: the first "
                     "file's name without its extension)");
    port->add_option("--name", options->name,
                     "The effect's name in config.xml (default: the folder's name)");
    port->callback([options] { throw CLI::RuntimeError(runPort(*options)); });
}
