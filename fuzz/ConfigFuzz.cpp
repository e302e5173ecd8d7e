// config.xml text: parsed, then read by every key the engine uses.
#include <cstddef>
#include <cstdint>
#include <string>

#include "package/ConfigDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const ConfigDocument config(std::string(reinterpret_cast<const char*>(data), size));
        static const wchar_t* const keys[] = {L"SCRIPT_TIME_LIMIT_MS",
                                              L"PIXEL_MEMORY_LIMIT_MB",
                                              L"FLAGS",
                                              L"FLAGS2",
                                              L"NAME",
                                              L"CATEGORY"};
        for (const wchar_t* key : keys) {
            config.get(key);
            config.getInt(key);
        }
        config.getVersion();
    } catch (const rapidxml::parse_error&) {
    }
    return 0;
}
