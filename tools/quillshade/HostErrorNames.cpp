#include "HostErrorNames.h"

std::string hostErrorName(PF_Err error) {
    const char* name = nullptr;
    switch (error) {
        case PF_Err_NONE:
            name = "PF_Err_NONE";
            break;
        case PF_Err_OUT_OF_MEMORY:
            name = "PF_Err_OUT_OF_MEMORY";
            break;
        case A_Err_MISSING_SUITE:
            name = "A_Err_MISSING_SUITE";
            break;
        case PF_Err_INTERNAL_STRUCT_DAMAGED:
            name = "PF_Err_INTERNAL_STRUCT_DAMAGED";
            break;
        case PF_Err_INVALID_INDEX:
            name = "PF_Err_INVALID_INDEX";
            break;
        case PF_Err_UNRECOGNIZED_PARAM_TYPE:
            name = "PF_Err_UNRECOGNIZED_PARAM_TYPE";
            break;
        case PF_Err_INVALID_CALLBACK:
            name = "PF_Err_INVALID_CALLBACK";
            break;
        case PF_Err_BAD_CALLBACK_PARAM:
            name = "PF_Err_BAD_CALLBACK_PARAM";
            break;
        case PF_Interrupt_CANCEL:
            name = "PF_Interrupt_CANCEL";
            break;
        default:
            break;
    }
    const std::string code = std::to_string(error);
    return name ? std::string(name) + " (" + code + ")" : "error " + code;
}

std::string commandName(PF_Cmd cmd) {
    static const char* const names[] = {"PF_Cmd_ABOUT",
                                        "PF_Cmd_GLOBAL_SETUP",
                                        "PF_Cmd_UNUSED_0",
                                        "PF_Cmd_GLOBAL_SETDOWN",
                                        "PF_Cmd_PARAMS_SETUP",
                                        "PF_Cmd_SEQUENCE_SETUP",
                                        "PF_Cmd_SEQUENCE_RESETUP",
                                        "PF_Cmd_SEQUENCE_FLATTEN",
                                        "PF_Cmd_SEQUENCE_SETDOWN",
                                        "PF_Cmd_DO_DIALOG",
                                        "PF_Cmd_FRAME_SETUP",
                                        "PF_Cmd_RENDER",
                                        "PF_Cmd_FRAME_SETDOWN",
                                        "PF_Cmd_USER_CHANGED_PARAM",
                                        "PF_Cmd_UPDATE_PARAMS_UI",
                                        "PF_Cmd_EVENT",
                                        "PF_Cmd_GET_EXTERNAL_DEPENDENCIES",
                                        "PF_Cmd_COMPLETELY_GENERAL",
                                        "PF_Cmd_QUERY_DYNAMIC_FLAGS",
                                        "PF_Cmd_AUDIO_RENDER",
                                        "PF_Cmd_AUDIO_SETUP",
                                        "PF_Cmd_AUDIO_SETDOWN",
                                        "PF_Cmd_ARBITRARY_CALLBACK",
                                        "PF_Cmd_SMART_PRE_RENDER",
                                        "PF_Cmd_SMART_RENDER"};
    if (cmd >= 0 && cmd < static_cast<PF_Cmd>(sizeof names / sizeof names[0]))
        return names[cmd];
    return "command " + std::to_string(cmd);
}
