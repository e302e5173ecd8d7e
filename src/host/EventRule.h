#pragma once
// The answer to a user-interface event: events of the custom interface that
// fall in the range of published colour parameters are reported as handled.

#include "HostInterface.h"

PF_Err handleEvent(PF_EventExtra* extra);
