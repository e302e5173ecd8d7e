#pragma once
// Effect modules made for a test: an effect folder written to a temporary
// place and packed with the bare engine module, as an author would.

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "EffectPackager.h"
#include "package/TempFolder.h"

class EffectFixture {
public:
    // The files of the effect folder, by name.
    // The module goes beside the folder: pack writes nothing into it.
    explicit EffectFixture(const std::map<std::string, std::string>& files) {
        const std::string effect = folder_ / "effect";
        std::filesystem::create_directory(effect);
        for (const auto& [name, text] : files) std::ofstream(effect + "/" + name) << text;
        PackOptions options;
        options.name = "TestFX";
        EffectPackager(effect).writeModule(modulePath(), options);
    }
    std::string modulePath() const { return folder_ / "TestFX.so"; }

private:
    TempFolder folder_;
};

inline std::string configXml(int major, int minor, int build, int stage, long flags = 0,
                             long flags2 = 0, const std::string& about = "About") {
    return "<ABOUT>" + about + "</ABOUT><AGEP_ID>TestFX</AGEP_ID><MAJOR_VERSION>" +
           std::to_string(major) + "</MAJOR_VERSION><MINOR_VERSION>" + std::to_string(minor) +
           "</MINOR_VERSION><BUILD_VERSION>" + std::to_string(build) +
           "</BUILD_VERSION><STAGE_VERSION>" + std::to_string(stage) + "</STAGE_VERSION><FLAGS>" +
           std::to_string(flags) + "</FLAGS><FLAGS2>" + std::to_string(flags2) + "</FLAGS2>";
}

inline const std::string kBundledModule = QS_TEST_BUILD_DIR "/modules/ReliefmakerFX.so";
inline const std::string kBareModule = QS_TEST_BUILD_DIR "/modules/QuillshadeEngine.so";
