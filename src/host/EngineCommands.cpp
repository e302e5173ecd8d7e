#include "host/CommandDispatch.h"
#include "host/CommandHandlers.h"

const CommandTable& engineCommands() {
    static const CommandTable table = [] {
        CommandTable t{};
        t[PF_Cmd_ABOUT] = aboutCommand;
        t[PF_Cmd_GLOBAL_SETUP] = globalSetupCommand;
        t[PF_Cmd_PARAMS_SETUP] = paramsSetupCommand;
        t[PF_Cmd_SEQUENCE_SETUP] = sequenceSetupCommand;
        t[PF_Cmd_SEQUENCE_RESETUP] = sequenceResetupCommand;
        t[PF_Cmd_SEQUENCE_FLATTEN] = sequenceFlattenCommand;
        t[PF_Cmd_SEQUENCE_SETDOWN] = sequenceSetdownCommand;
        t[PF_Cmd_DO_DIALOG] = dialogCommand;
        t[PF_Cmd_FRAME_SETUP] = frameSetupCommand;
        t[PF_Cmd_RENDER] = renderCommand;
        t[PF_Cmd_FRAME_SETDOWN] = frameSetdownCommand;
        t[PF_Cmd_USER_CHANGED_PARAM] = userChangedParamCommand;
        t[PF_Cmd_UPDATE_PARAMS_UI] = updateParamsUiCommand;
        t[PF_Cmd_SMART_PRE_RENDER] = smartPreRenderCommand;
        t[PF_Cmd_SMART_RENDER] = smartRenderCommand;
        return t;
    }();
    return table;
}
