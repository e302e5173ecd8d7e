#include "host/HostPixels.h"

#include "host/HostSuite.h"

HostPixels hostPixelsOf(const PF_PixelDataSuite1& suite, PF_EffectWorld& world) {
    HostPixels pixels;
    PF_PixelFloat* floats = nullptr;
    suite.get_pixel_data_float(&world, nullptr, &floats);
    if (floats)
        return {floats, 32};
    PF_Pixel16* deep = nullptr;
    suite.get_pixel_data16(&world, nullptr, &deep);
    if (deep)
        return {deep, 16};
    PF_Pixel8* bytes = nullptr;
    suite.get_pixel_data8(&world, nullptr, &bytes);
    if (bytes)
        return {bytes, 8};
    return pixels;
}

HostPixels hostPixelsThroughSuite(const PF_InData* in_data, PF_EffectWorld& world) {
    HostSuite<PF_PixelDataSuite1> pixelData(in_data, kPFPixelDataSuite, kPFPixelDataSuiteVersion1,
                                            SuiteNeed::Optional);
    if (!pixelData)
        throwHostError(A_Err_MISSING_SUITE);
    return hostPixelsOf(*pixelData.get(), world);
}

std::uint32_t depthOfPixelFormat(std::uint32_t format) {
    switch (format) {
        case 0x62677261:
        case 0x62677278:
        case 0x61726762:
            return 8;
        case 0x36316561:
        case 0x62677241:
        case 0x62677258:
        case 0x61726742:
            return 16;
        case 0x32336561:
        case 0x62675241:
        case 0x62675258:
        case 0x61724742:
            return 32;
        default:
            return 0;
    }
}
