#include "platform/EnvironmentNumber.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

long long EnvironmentNumber::positive(const char* variable, long long fallback) {
    const char* text = std::getenv(variable);
    if (text == nullptr || *text < '0' || *text > '9')
        return fallback;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || value <= 0 || value > INT32_MAX)
        return fallback;
    return value;
}
