// quillshade rewrite: the fragment shader text the engine compiles for a file.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "Commands.h"
#include "gl/FragmentAssembly.h"

namespace {

int runRewrite(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "quillshade rewrite: cannot read " << path << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    // The strings the engine hands the compiler, one after the other: the
    // prelude and the rewritten source, with the author's #version and
    // #extension lines ahead of them.
    std::cout << FragmentAssembly(text.str()).text();
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
