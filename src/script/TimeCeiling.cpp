#include "script/TimeCeiling.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace TimeCeiling {

std::chrono::milliseconds current() {
    const char* text = std::getenv(kVariable);
    if (text == nullptr || *text < '0' || *text > '9')
        return kDefault;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || value <= 0 || value > INT32_MAX)
        return kDefault;
    return std::chrono::milliseconds(value);
}

}  // namespace TimeCeiling
