#pragma once
// The host's names of the error codes an effect returns.

#include <string>

#include "HostInterface.h"

// "PF_Err_BAD_CALLBACK_PARAM (516)", or the number alone when it has no name.
std::string hostErrorName(PF_Err error);

// A command selector's name, e.g. "PF_Cmd_SMART_RENDER".
std::string commandName(PF_Cmd cmd);
