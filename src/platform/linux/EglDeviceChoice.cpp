#include "platform/linux/EglDeviceChoice.h"

#include <cstdlib>
#include <cstring>

namespace win32::detail {

int chooseEglDevice(const std::vector<EglDeviceDescription>& devices, const char* setting) {
    const int count = static_cast<int>(devices.size());
    if (setting == nullptr || *setting == '\0' || std::strcmp(setting, "auto") == 0) {
        for (int i = 0; i < count; ++i)
            if (!devices[i].software)
                return i;
        return -1;
    }
    if (std::strcmp(setting, "software") == 0)
        return -1;
    if (setting[0] == '/') {
        for (int i = 0; i < count; ++i)
            if (devices[i].deviceFile == setting || devices[i].renderNode == setting)
                return i;
        return -1;
    }
    if (setting[0] < '0' || setting[0] > '9')
        return -1;
    char* end = nullptr;
    const long index = std::strtol(setting, &end, 10);
    if (*end != '\0' || index >= count)
        return -1;
    return static_cast<int>(index);
}

}  // namespace win32::detail
