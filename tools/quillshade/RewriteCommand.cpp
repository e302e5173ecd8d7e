// quillshade rewrite: the fragment shader text the engine compiles for a file.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "Commands.h"
#include "gl/FragmentRewriter.h"

namespace {

int runRewrite(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "quillshade rewrite: cannot read " << path << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    // The engine hands the compiler two strings: the prelude, then the
    // rewritten source.
    std::cout << kShaderPrelude << rewriteFragmentSource(text.str());
    return 0;
}

}  // namespace

void addRewriteCommand(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* rewrite =
        app.add_subcommand("rewrite", "Print the text the engine compiles for a fragment shader");
    rewrite->add_option("FILE", *path, "Fragment shader (.frag)")->required();
    rewrite->callback([path] { throw CLI::RuntimeError(runRewrite(*path)); });
}
