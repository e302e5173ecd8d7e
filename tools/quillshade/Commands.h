#pragma once
// Each sub-command of the tool registers itself on the application.

namespace CLI {
class App;
}

void addInfoCommand(CLI::App& app);
void addPackCommand(CLI::App& app);
void addUnpackCommand(CLI::App& app);
void addRewriteCommand(CLI::App& app);
void addRenderCommand(CLI::App& app);
void addCheckCommand(CLI::App& app);
void addPortCommand(CLI::App& app);
void addPreviewCommand(CLI::App& app);
void addPreviewFrameCommand(CLI::App& app);
void addHelpCommand(CLI::App& app);
