// The About box and the options dialog.
#include "host/AEQuillshade2.h"
#include "host/CommandHandlers.h"
#include "host/HostSuite.h"

QS_COMMAND_HANDLER(aboutCommand) {
    (void)params, (void)output, (void)extra;
    // Premiere Pro shows its own About box for effects.
    if (isPremiere(in_data))
        return PF_Err_NONE;
    in_data->utils->ansi.sprintf(out_data->return_msg, "%s\n\n",
                                 plugin().getConfigString(0).c_str());
    return PF_Err_NONE;
}

QS_COMMAND_HANDLER(dialogCommand) {
    (void)in_data, (void)out_data, (void)params, (void)output, (void)extra;
    return PF_Err_NONE;
}
