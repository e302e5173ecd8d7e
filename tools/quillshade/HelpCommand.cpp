// quillshade help [COMMAND]: the same text as `quillshade COMMAND --help`, for
// those who ask the way most command-line tools answer.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>

#include "Commands.h"

void addHelpCommand(CLI::App& app) {
    CLI::App* help = app.add_subcommand("help", "Print the help of a command (or of the tool)");
    auto command = std::make_shared<std::string>();
    help->add_option("COMMAND", *command, "the command to describe");
    help->callback([&app, help, command] {
        if (command->empty()) {
            // app.help() would describe the selected command, this one.
            std::cout << app.get_formatter()->make_help(&app, app.get_name(),
                                                        CLI::AppFormatMode::Normal);
            return;
        }
        CLI::App* described = nullptr;
        try {
            described = app.get_subcommand(*command);
        } catch (const CLI::OptionNotFound&) {
        }
        if (described == nullptr || described == help || described->get_group().empty()) {
            std::cerr << "quillshade help: no command \"" << *command
                      << "\" (quillshade --help lists them)\n";
            throw CLI::RuntimeError(2);
        }
        std::cout << described->help(app.get_name());
    });
}
