#include "host/GpuPassBudget.h"

#include "platform/EnvironmentNumber.h"

std::chrono::milliseconds GpuPassBudget::current() {
    return std::chrono::milliseconds(EnvironmentNumber::positive(kVariable, kDefault.count()));
}
