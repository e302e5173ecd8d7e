#include "host/CommandDispatch.h"
#include "host/CommandHandlers.h"

const CommandTable& engineCommands() {
    static const CommandTable table = [] {
        CommandTable t{};
        t[PF_Cmd_ABOUT] = aboutCommand;
        t[PF_Cmd_GLOBAL_SETUP] = globalSetupCommand;
        t[PF_Cmd_DO_DIALOG] = dialogCommand;
        return t;
    }();
    return table;
}
