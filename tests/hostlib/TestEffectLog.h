#pragma once
// What the test effect saw of the host, read by the tests through the
// module's testEffectLog export.

#include <cstdint>

#include "HostInterface.h"

struct TestEffectLog {
    int commands[PF_Cmd_NUM_CMDS];
    // The composition query of the last pre-render or frame set-up.
    A_long compWidth;
    A_long compHeight;
    A_Ratio compPixelAspect;
    // The pixel format the host reported for the last input image.
    A_u_long pixelFormat;
    PF_ParamIndex lastChangedParam;
    // The flat data handed to the last re-set-up, and its first word.
    std::uint32_t resetupSerial;
};

// Sequence data of the test effect: a tag ('LIVE' or 'FLAT') and a serial.
struct TestSequenceData {
    std::uint32_t tag;
    std::uint32_t serial;
};

constexpr std::uint32_t kLiveTag = 0x4C495645;
constexpr std::uint32_t kFlatTag = 0x464C4154;
constexpr A_long kTestCheckoutId = 7;

// Host indices of the test effect's parameters.
enum TestParam {
    kGrow = 1,
    kAngle,
    kEnabled,
    kTint,
    kCentre,
    kMode,
    kMatte,
    kSpot,
    kTestParamCount
};

using TestEffectLogFunc = TestEffectLog* (*)();
