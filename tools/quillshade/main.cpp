// quillshade: builds, inspects and runs effect modules.
#include <CLI/CLI.hpp>

#include "Commands.h"
#include "SourceRevision.h"

int main(int argc, char** argv) {
    CLI::App app{"quillshade: build, inspect and run script-driven GPU effect modules"};
    app.require_subcommand(1);
    // Options are written the same on every system; on Windows CLI11 would
    // otherwise take a path beginning with '/' for an option.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version",
                         "quillshade " QS_VERSION " (source revision " QS_SOURCE_REVISION ")");
    addInfoCommand(app);
    addPackCommand(app);
    addUnpackCommand(app);
    addRenderCommand(app);
    addRewriteCommand(app);
    addCheckCommand(app);
    addPortCommand(app);
#ifdef QS_HAVE_PREVIEW  // a Linux development tool; the Windows build has none
    addPreviewCommand(app);
    addPreviewFrameCommand(app);
#endif
    addHelpCommand(app);  // last: it describes the commands registered before it
    CLI11_PARSE(app, argc, argv);
    return 0;
}
