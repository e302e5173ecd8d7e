#include <dlfcn.h>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "EffectPackager.h"
#include "Pipl.h"
#include "ToolOutput.h"
#include "package/BlobReader.h"
#include "package/PackageCipher.h"
#include "package/TempFolder.h"
#include "platform/ModuleResources.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ModuleResources::Key;

const std::string kReliefmaker = QS_TEST_SOURCE_DIR "/effects/reliefmaker";

Bytes fileBytes(const std::string& path) {
    return ModuleResources::readFile(path).value_or(Bytes());
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

TEST(PackCommand, PacksReliefmakerIntoAModuleTheEngineReadsBack) {
    TempFolder folder;
    const std::string module = folder / "ReliefmakerFX.so";
    const ToolOutput packed = runTool("pack " + quoted(kReliefmaker) + " -o " + quoted(module) +
                                      " --engine " QS_ENGINE_MODULE
                                      " --name ReliefmakerFX --category Vexa"
                                      " --match-name 'ADBE ReliefmakerFX'");
    ASSERT_EQ(packed.status, 0) << packed.text;
    EXPECT_NE(fs::status(module).permissions() & fs::perms::owner_exec, fs::perms::none);

    const ModuleResources::ModuleFile file = ModuleResources::parse(fileBytes(module));
    ASSERT_EQ(file.resources.size(), 2u);
    const auto* piplResource = ModuleResources::find(file, Key::number(16000), Key::string("PIPL"));
    ASSERT_NE(piplResource, nullptr);
    EXPECT_EQ(piplResource->language, 1033);
    EXPECT_EQ(ModuleResources::find(file, Key::string("BLOB"), Key::number(10))->language, 1033);
    PiplProperties expected;  // kind, entry point, versions 2 and 13.2, reserved 8: defaults
    expected.name = "ReliefmakerFX";
    expected.category = "Vexa";
    expected.version = 0x00080001;
    expected.outFlags = 0x06008025;
    expected.outFlags2 = 0x00001400;
    expected.matchName = "ADBE ReliefmakerFX";
    EXPECT_EQ(piplResource->data, buildPipl(expected));

    // --rc writes the same resources as files, for the Windows resource compiler.
    const std::string rc = folder / "rc";
    ASSERT_EQ(runTool("pack " + quoted(kReliefmaker) + " --rc " + quoted(rc) +
                      " --name ReliefmakerFX --category Vexa --match-name 'ADBE "
                      "ReliefmakerFX'")
                  .status,
              0);
    EXPECT_EQ(fileBytes(rc + "/pipl.bin"), piplResource->data);
    EXPECT_EQ(fileBytes(rc + "/package.bin"),
              ModuleResources::find(file, Key::string("BLOB"), Key::number(10))->data);
    const Bytes script = fileBytes(rc + "/resources.rc");
    EXPECT_NE(std::string(script.begin(), script.end())
                  .find("LANGUAGE 9, 1\n16000 PIPL \"pipl.bin\"\nBLOB RCDATA \"package.bin\"\n"),
              std::string::npos);

    // The engine, loaded from the module, finds its script and configuration.
    void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << ::dlerror();
    BlobReader::instance().load(static_cast<win32::HMODULE>(handle));
    const Bytes fxjs = fileBytes(kReliefmaker + "/fx.js");
    EXPECT_EQ(readFileText(L"fx.js"), std::string(fxjs.begin(), fxjs.end()));
    EXPECT_EQ(ConfigDocument().get(L"AGEP_ID"), "ReliefmakerFX");

    // And unpacking gives back the folder byte for byte.
    const std::string restored = folder / "restored";
    const ToolOutput unpacked = runTool("unpack " + quoted(module) + " -o " + quoted(restored));
    ASSERT_EQ(unpacked.status, 0) << unpacked.text;
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(kReliefmaker)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(fileBytes(restored + "/" + name), fileBytes(entry.path().string())) << name;
        ++count;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(restored), fs::directory_iterator()),
              static_cast<std::ptrdiff_t>(count));
}

TEST(PackCommand, RefusesNamingEveryProblemAndKeepsTheOldOutput) {
    TempFolder folder;
    const std::string effect = folder / "broken";
    fs::create_directories(effect + "/shaders");
    std::ofstream(effect + "/shaders/blur.frag") << "void main() {}";
    std::ofstream(effect + "/Edge.frag") << "a";
    std::ofstream(effect + "/edge.FRAG") << "b";
    std::ofstream(effect + "/config.xml") << "<ABOUT>x</ABOUT>\n<FLAGS 5>\n";
    const std::string output = folder / "broken.so";
    std::ofstream(output) << "old";

    const ToolOutput run = runTool("pack " + quoted(effect) + " -o " + quoted(output) +
                                   " --engine " + quoted(folder / "missing.so"));
    EXPECT_NE(run.status, 0);
    for (const char* expected :
         {"shaders/blur.frag: in a sub-folder", "edge.FRAG: same name as Edge.frag",
          "fx.js: missing", "config.xml: does not parse: expected = (line 2)",
          "missing.so: cannot read the engine module"}) {
        EXPECT_NE(run.text.find(expected), std::string::npos) << expected << "\n" << run.text;
    }
    EXPECT_EQ(std::count(run.text.begin(), run.text.end(), '\n'), 5) << run.text;
    EXPECT_EQ(fileBytes(output), (Bytes{'o', 'l', 'd'}));
    // Nothing else was written: only the effect folder and the old output are there.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
}

// A few hundred kilobytes of opening tags once overflowed the parser's stack.
TEST(PackCommand, RefusesAConfigurationNestedTooDeeply) {
    TempFolder folder;
    const std::string effect = folder / "deep";
    fs::copy(QS_TEST_SOURCE_DIR "/docs/broken-effect", effect);
    std::string config = "<ABOUT>deep</ABOUT>\n";
    for (int i = 0; i < 100000; ++i) config += "<A>";
    std::ofstream(effect + "/config.xml") << config;
    const ToolOutput run = runTool("pack " + quoted(effect) + " -o " + quoted(folder / "deep.so"));
    EXPECT_EQ(run.status, 1) << run.text;
    EXPECT_TRUE(run.has("config.xml: does not parse: elements nested too deeply (line 2)"))
        << run.text;
    EXPECT_FALSE(fs::exists(folder / "deep.so"));
}

// A module written into the folder would replace its files or be packed into
// the next module; by any spelling of the folder, nothing is written there.
TEST(PackCommand, RefusesAnOutputInsideTheEffectFolder) {
    TempFolder folder;
    const std::string effect = folder / "tint";
    fs::copy(QS_TEST_SOURCE_DIR "/docs/broken-effect", effect);
    fs::create_directory_symlink(effect, folder / "link");
    const Bytes script = fileBytes(effect + "/fx.js");
    const struct {
        std::string option;
        std::string written;
    } cases[] = {{"-o", effect + "/fx.js"},
                 {"-o", folder / "link/tint.so"},
                 {"-o", effect + "/../tint/./tint.so"},
                 {"--blob-only -o", folder / "link/package.bin"},
                 {"--rc", effect}};
    for (const auto& c : cases) {
        const ToolOutput run =
            runTool("pack " + quoted(effect) + " " + c.option + " " + quoted(c.written));
        EXPECT_EQ(run.status, 1) << c.written;
        EXPECT_NE(run.text.find(c.written + ": inside the effect folder"), std::string::npos)
            << run.text;
    }
    EXPECT_EQ(fileBytes(effect + "/fx.js"), script);
    EXPECT_EQ(std::distance(fs::directory_iterator(effect), fs::directory_iterator()), 3);
}

// Links that lead out of the folder and special files are refused, each
// named, so that nothing of the packer's system reaches a module.
TEST(PackCommand, RefusesLinksLeavingTheFolderAndSpecialFiles) {
    TempFolder folder;
    const std::string effect = folder / "tint";
    fs::copy(QS_TEST_SOURCE_DIR "/docs/broken-effect", effect);
    fs::create_symlink("/proc/self/environ", effect + "/env.txt");
    fs::create_symlink("../secret.png", effect + "/secret.png");
    std::ofstream(folder / "secret.png") << "not the effect's";
    fs::create_directory_symlink("/etc", effect + "/etc");
    ASSERT_EQ(::mkfifo((effect + "/pipe").c_str(), 0600), 0);
    fs::create_symlink("tint.frag", effect + "/alias.frag");  // inside: packed

    const ToolOutput run = runTool("pack " + quoted(effect) + " -o " + quoted(folder / "tint.so"));
    EXPECT_EQ(run.status, 1);
    for (const std::string& expected :
         {effect + "/env.txt: a link to /proc/",
          effect + "/secret.png: a link to " + folder / "secret.png, outside the effect folder",
          effect + "/etc: a link to /etc, outside", effect + "/pipe: a fifo"}) {
        EXPECT_NE(run.text.find(expected), std::string::npos) << expected << "\n" << run.text;
    }
    EXPECT_EQ(std::count(run.text.begin(), run.text.end(), '\n'), 4) << run.text;
    EXPECT_FALSE(fs::exists(folder / "tint.so"));
}

TEST(PackCommand, BlobOnlyWritesTheZipScrambledWithTheSeed) {
    TempFolder folder;
    const std::string blob = folder / "package.bin";
    ASSERT_EQ(
        runTool("pack " + quoted(kReliefmaker) + " -o " + quoted(blob) + " --blob-only").status, 0);
    // A ZIP archive under the build's seed (the cipher's own test checks the
    // recurrence against known words).
    const Bytes zip = PackageCipher::unscramblePackage(fileBytes(blob), QS_PACKAGE_SEED);
    EXPECT_EQ(Bytes(zip.begin(), zip.begin() + 4), (Bytes{'P', 'K', 3, 4}));

    const ToolOutput unpacked = runTool("unpack " + quoted(blob) + " -o " + quoted(folder / "out"));
    ASSERT_EQ(unpacked.status, 0) << unpacked.text;
    EXPECT_EQ(fileBytes(folder / "out/fx.js"), fileBytes(kReliefmaker + "/fx.js"));
}

TEST(UnpackCommand, RefusesToReplaceFilesUnlessForced) {
    TempFolder folder;
    const std::string module = folder / "effect.so";
    EffectPackager(kReliefmaker).writeModule(module, {QS_ENGINE_MODULE, "", "", ""});
    const std::string target = folder / "target";
    fs::create_directory(target);
    std::ofstream(target + "/fx.js") << "mine";

    const ToolOutput refused = runTool("unpack " + quoted(module) + " -o " + quoted(target));
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.text.find("fx.js: exists"), std::string::npos) << refused.text;
    EXPECT_EQ(fileBytes(target + "/fx.js"), (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_FALSE(fs::exists(target + "/config.xml"));

    EXPECT_EQ(runTool("unpack " + quoted(module) + " -o " + quoted(target) + " --force").status, 0);
    EXPECT_EQ(fileBytes(target + "/fx.js"), fileBytes(kReliefmaker + "/fx.js"));

    const ToolOutput bare = runTool("unpack " QS_ENGINE_MODULE " -o " + quoted(folder / "bare"));
    EXPECT_NE(bare.status, 0);
    EXPECT_NE(bare.text.find("carries no effect package"), std::string::npos) << bare.text;
}

TEST(EffectPackager, NamesTheEffectAfterItsFolderByDefault) {
    const PiplProperties pipl = EffectPackager(kReliefmaker).properties({});
    EXPECT_EQ(pipl.name, "reliefmaker");
    EXPECT_EQ(pipl.category, "Quillshade");
    EXPECT_EQ(pipl.matchName, "reliefmaker");
}

}  // namespace
