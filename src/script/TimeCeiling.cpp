#include "script/TimeCeiling.h"

#include "platform/EnvironmentNumber.h"

std::chrono::milliseconds TimeCeiling::current() {
    return std::chrono::milliseconds(EnvironmentNumber::positive(kVariable, kDefault.count()));
}
