#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "TempFolder.h"
#include "TestArchive.h"
#include "package/BlobReader.h"
#include "package/ConfigDocument.h"
#include "package/PackageCipher.h"
#include "platform/ModuleResources.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using ModuleResources::Key;

ModuleResources::Resource blob(Bytes data) {
    return {Key::string("BLOB"), Key::number(10), 1033, std::move(data)};
}

// A copy of the fixture module with these resources, loaded as a host loads a plug-in.
win32::HMODULE loadPlugin(const TempFolder& folder,
                          std::vector<ModuleResources::Resource> resources) {
    static int made = 0;
    const std::string path = folder / ("plugin" + std::to_string(++made) + ".so");
    const Bytes bytes =
        ModuleResources::serialize({*ModuleResources::readFile(QS_FIXTURE_MODULE), resources});
    std::ofstream(path).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return static_cast<win32::HMODULE>(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

TEST(BlobReader, ServesReadsFromThePackageByLastNameComponent) {
    TempFolder folder;
    const TestEntries entries = {
        {"fx.js", "function setup() {}"},
        {"config.xml", "<ABOUT>packaged</ABOUT><FLAGS>32</FLAGS>"},
        {"blur.frag", "void main() {}"},
        {"shaders/deep.frag", "never found"},
        {"zero.txt", std::string("ab\0cd", 5)},
        {"empty.txt", ""},
        {"folder/", ""},
    };
    // The package's last word must be partial, read with the zero padding.
    Bytes zip = makeArchive(entries);
    if (zip.size() % 4 == 0)
        zip = makeArchive(entries, "x");
    BlobReader::instance().load(loadPlugin(folder, {blob(PackageCipher::scramblePackage(zip))}));
    ASSERT_NE(fileTextHook, nullptr);
    ASSERT_NE(fileBytesHook, nullptr);

    EXPECT_EQ(readFileText(L"FX.JS"), "function setup() {}");
    const Bytes blur = readFileBytes(L"shaders\\blur.frag");
    EXPECT_EQ(std::string(blur.begin(), blur.end()), "void main() {}");
    EXPECT_EQ(readFileText(L"C:\\effects/Blur.Frag"), "void main() {}");
    EXPECT_EQ(readFileText(L"shaders/deep.frag"), "");  // stored below the root: unreachable
    EXPECT_EQ(readFileText(L"deep.frag"), "");
    EXPECT_EQ(readFileText(L"zero.txt"), "ab");
    EXPECT_EQ(readFileBytes(L"zero.txt").size(), 5u);
    EXPECT_EQ(readFileText(L"empty.txt"), "");
    EXPECT_EQ(readFileText(L"missing.txt"), "");  // no "popa" from the package
    EXPECT_TRUE(readFileBytes(L"empty.txt").empty());
    EXPECT_TRUE(readFileBytes(L"missing.txt").empty());
    EXPECT_TRUE(readFileBytes(L"folder/").empty());

    const ConfigDocument config;
    EXPECT_EQ(config.get(L"ABOUT"), "packaged");
    EXPECT_EQ(config.getInt(L"FLAGS"), 32);
}

TEST(BlobReader, DamagedEntriesReadEmptyBesideIntactOnes) {
    TempFolder folder;
    Bytes zip = makeArchive({{"intact.txt", "intact text"},
                             {"crc.txt", "bytes that will be damaged"},
                             {"locked.txt", "secret text"},
                             {"method.txt", "odd method text"}});
    damageStoredData(zip, "bytes that will be damaged");
    patchEntry(zip, "locked.txt", 0x01, 0);  // encrypted
    patchEntry(zip, "method.txt", 0, 97);    // a method nobody reads
    BlobReader::instance().load(loadPlugin(folder, {blob(PackageCipher::scramblePackage(zip))}));

    EXPECT_EQ(readFileText(L"intact.txt"), "intact text");
    EXPECT_EQ(readFileText(L"crc.txt"), "");
    EXPECT_TRUE(readFileBytes(L"locked.txt").empty());
    EXPECT_TRUE(readFileBytes(L"method.txt").empty());
}

// Without a usable package every read goes to the current folder.
void expectLooseFiles(win32::HMODULE module) {
    TempFolder folder;
    ASSERT_EQ(::chdir(folder.path().c_str()), 0);
    BlobReader::instance().load(module);
    EXPECT_EQ(fileTextHook, nullptr);
    EXPECT_EQ(fileBytesHook, nullptr);

    EXPECT_THROW(ConfigDocument{}, rapidxml::parse_error);  // config.xml reads as "popa"
    std::ofstream(folder / "fx.js") << std::string("a\r\nb\0c", 6);
    EXPECT_EQ(readFileText(L"fx.js"), "a\r\nb");
    EXPECT_EQ(readFileBytes(L"fx.js").size(), 6u);
    // The engine's "\\name" and a script's paths name a file of this folder.
    EXPECT_EQ(readFileText(L"\\fx.js"), "a\r\nb");
    EXPECT_EQ(readFileBytes(L"C:\\effects/../fx.js").size(), 6u);
    EXPECT_EQ(readFileText(L"missing.js"), "popa");
    EXPECT_TRUE(readFileBytes(L"missing.js").empty());
    std::filesystem::create_directory(folder / "dir");
    EXPECT_EQ(readFileText(L"dir"), "popa");
    EXPECT_TRUE(readFileBytes(L"dir").empty());
}

TEST(BlobReader, WithoutUsablePackageReadsLooseFiles) {
    TempFolder folder;
    const std::string text = "unscrambled, these bytes are no ZIP archive";
    const Bytes noise = PackageCipher::scramblePackage(Bytes(text.begin(), text.end()));
    for (auto resources : {std::vector<ModuleResources::Resource>{}, {blob({})}, {blob(noise)}}) {
        const win32::HMODULE module = loadPlugin(folder, resources);
        ASSERT_NE(module, nullptr);
        expectLooseFiles(module);
    }
    expectLooseFiles(static_cast<win32::HMODULE>(::dlopen(nullptr, RTLD_NOW)));  // main program
    expectLooseFiles(nullptr);
}

TEST(LinuxResources, FindsResourcesByIdOrNameIgnoringCase) {
    TempFolder folder;
    const win32::HMODULE module =
        loadPlugin(folder, {blob({1, 2, 3}), {Key::number(16000), Key::string("PIPL"), 1033, {9}}});
    const win32::HRSRC found = win32::FindResourceW(module, L"blob", win32::RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(win32::SizeofResource(module, found), 3u);
    const auto* data =
        static_cast<const std::uint8_t*>(win32::LockResource(win32::LoadResource(module, found)));
    EXPECT_EQ(Bytes(data, data + 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(win32::FindResourceW(module, L"BLOB", win32::RT_RCDATA), found);  // same memory

    EXPECT_NE(win32::FindResourceW(module, win32::MAKEINTRESOURCEW(16000), L"pipl"), nullptr);
    EXPECT_EQ(win32::FindResourceW(module, L"BLOB", L"PIPL"), nullptr);
    EXPECT_EQ(win32::FindResourceW(module, L"BLOBS", win32::RT_RCDATA), nullptr);
    EXPECT_EQ(win32::FindResourceW(nullptr, L"BLOB", win32::RT_RCDATA), nullptr);
}

}  // namespace
