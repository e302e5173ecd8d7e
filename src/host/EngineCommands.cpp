#include "host/CommandDispatch.h"

const CommandTable& engineCommands() {
    static const CommandTable table = [] {
        CommandTable t{};
        return t;
    }();
    return table;
}
