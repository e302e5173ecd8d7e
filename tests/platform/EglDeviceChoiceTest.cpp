#include <gtest/gtest.h>

#include "platform/linux/EglDeviceChoice.h"

using win32::detail::chooseEglDevice;
using win32::detail::EglDeviceDescription;

TEST(EglDeviceChoice, HardwareFirstUnlessTheUserNamesADeviceOrSoftware) {
    const EglDeviceDescription software{true, "", ""};
    const EglDeviceDescription gpu{false, "/dev/dri/card1", "/dev/dri/renderD129"};
    const std::vector<EglDeviceDescription> devices{software, gpu};
    // Unset or automatic: the GPU, wherever it is listed; without one, the
    // surfaceless platform rather than the software device.
    for (const char* automatic : {static_cast<const char*>(nullptr), "", "auto"}) {
        EXPECT_EQ(chooseEglDevice(devices, automatic), 1);
        EXPECT_EQ(chooseEglDevice({software}, automatic), -1);
        EXPECT_EQ(chooseEglDevice({}, automatic), -1);
    }
    EXPECT_EQ(chooseEglDevice(devices, "software"), -1);
    EXPECT_EQ(chooseEglDevice(devices, "0"), 0);
    EXPECT_EQ(chooseEglDevice(devices, "/dev/dri/renderD129"), 1);
    EXPECT_EQ(chooseEglDevice(devices, "/dev/dri/card1"), 1);
    // What names no device falls back to software.
    for (const char* unknown : {"2", "-1", "1x", "gpu", "/dev/dri/card0", " 1"})
        EXPECT_EQ(chooseEglDevice(devices, unknown), -1) << unknown;
}
