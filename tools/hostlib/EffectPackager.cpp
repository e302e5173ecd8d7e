#include "EffectPackager.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

#include "AtomicFile.h"
#include "ModuleFiles.h"
#include "PackError.h"
#include "PackageArchive.h"
#include "PathRules.h"
#include "host/VersionPacking.h"
#include "package/PackageCipher.h"
#include "package/XmlNesting.h"
#include "platform/ModuleResources.h"

namespace fs = std::filesystem;

namespace {

// The engine finds config.xml and fx.js by these names, ignoring letter case.
const char* const kRequiredFiles[] = {"config.xml", "fx.js"};
constexpr std::uint32_t kRcData = 10;
constexpr std::uint16_t kPackageLanguage = 1033;
// Property list texts carry a one-byte length.
constexpr std::size_t kMaximumPiplText = 255;

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A name the engine can ask for: ASCII, and no character that its path
// handling takes for a separator.
bool plainName(const std::string& name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return c >= 0x20 && c < 0x7F && c != '\\' && c != ':'; });
}

// The engine reads text up to the first zero byte.
std::string textOf(const std::vector<std::uint8_t>& data) {
    return std::string(data.begin(), std::find(data.begin(), data.end(), std::uint8_t(0)));
}

// The line of the first parse error; the document's own copy of the text is
// gone by the time its exception arrives, so a scratch copy is parsed again
// (after the same depth check, which keeps the parser's recursion bounded).
int parseErrorLine(const std::string& text) {
    std::size_t offset = XmlNesting::findExcess(text);
    if (offset == XmlNesting::kWithinLimit) {
        std::string scratch = text;
        rapidxml::xml_document<char> document;
        try {
            document.parse<0>(&scratch[0]);
            return 0;
        } catch (const rapidxml::parse_error& error) {
            offset = std::min<std::size_t>(error.where<char>() - scratch.data(), scratch.size());
        }
    }
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

std::string folderName(const std::string& folder) {
    std::error_code error;
    fs::path path = fs::weakly_canonical(folder, error);
    if (error)
        path = fs::path(folder).lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    return path.filename().string();
}

}  // namespace

EffectPackager::EffectPackager(const std::string& folder) : folder_(folder) {
    readFolder();
    checkNames();
    checkRequiredFiles();
}

EffectPackager::~EffectPackager() = default;

std::string EffectPackager::pathOf(const std::string& name) const {
    return (fs::path(folder_) / name).string();
}

void EffectPackager::readFolder() {
    std::error_code error;
    if (!fs::is_directory(folder_, error)) {
        problems_.push_back(folder_ + ": not a folder");
        return;
    }
    fs::directory_iterator entries(folder_, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        const std::string name = entry.path().filename().string();
        const std::string refused = PathRules::entryProblem(folder_, name);
        if (!refused.empty()) {
            problems_.push_back(pathOf(name) + ": " + refused);
        } else if (entry.is_directory()) {
            // The engine reduces every requested path to its last component,
            // so nothing below the top level can ever be read.
            fs::recursive_directory_iterator inner(entry.path(), error);
            for (; !error && inner != fs::recursive_directory_iterator(); inner.increment(error)) {
                if (!inner->is_directory()) {
                    problems_.push_back(inner->path().string() +
                                        ": in a sub-folder; the engine reads only files at the "
                                        "top of the effect folder");
                }
            }
        } else if (!entry.is_regular_file()) {
            problems_.push_back(entry.path().string() + ": not a regular file");
        } else if (auto data = ModuleResources::readFile(entry.path().string())) {
            files_.push_back(EffectFile{name, std::move(*data)});
        } else {
            problems_.push_back(entry.path().string() + ": cannot be read");
        }
    }
    if (error)
        problems_.push_back(folder_ + ": cannot be listed: " + error.message());
    std::sort(files_.begin(), files_.end(),
              [](const EffectFile& a, const EffectFile& b) { return a.name < b.name; });
}

void EffectPackager::checkNames() {
    std::map<std::string, std::string> byLowered;
    for (const EffectFile& file : files_) {
        if (!plainName(file.name)) {
            problems_.push_back(pathOf(file.name) +
                                ": name must be printable ASCII without '\\' or ':'");
        }
        const auto [kept, added] = byLowered.emplace(lowered(file.name), file.name);
        if (!added) {
            problems_.push_back(pathOf(file.name) + ": same name as " + kept->second +
                                " ignoring letter case; the engine could read only one");
        }
    }
}

void EffectPackager::checkRequiredFiles() {
    for (const char* required : kRequiredFiles) {
        const auto found = std::find_if(files_.begin(), files_.end(), [&](const EffectFile& f) {
            return lowered(f.name) == required;
        });
        if (found == files_.end()) {
            problems_.push_back(pathOf(required) + ": missing");
            continue;
        }
        if (std::string(required) != "config.xml")
            continue;
        const std::string text = textOf(found->data);
        try {
            config_ = std::make_unique<ConfigDocument>(text);
        } catch (const rapidxml::parse_error& error) {
            problems_.push_back(pathOf(found->name) + ": does not parse: " + error.what() +
                                " (line " + std::to_string(parseErrorLine(text)) + ")");
        }
    }
}

void EffectPackager::requireNoProblems() const {
    if (!problems_.empty())
        throw PackError(problems_);
}

std::vector<std::uint8_t> EffectPackager::package() const {
    requireNoProblems();
    return PackageCipher::scramblePackage(PackageArchive::zip(files_));
}

PiplProperties EffectPackager::properties(const PackOptions& options) const {
    requireNoProblems();
    PiplProperties pipl;
    pipl.name = options.name.empty() ? folderName(folder_) : options.name;
    pipl.category = options.category.empty() ? kDefaultCategory : options.category;
    pipl.matchName = options.matchName.empty() ? pipl.name : options.matchName;
    pipl.version = packHostVersion(config_->getVersion());
    pipl.outFlags = static_cast<std::uint32_t>(config_->getInt(L"FLAGS")) | kAlwaysOutFlags;
    pipl.outFlags2 = static_cast<std::uint32_t>(config_->getInt(L"FLAGS2"));
    return pipl;
}

// The property list values, checked as the module will carry them; the
// folder's problems and those of the texts are added to `problems`.
PiplProperties EffectPackager::checkedProperties(const PackOptions& options,
                                                 std::vector<std::string>& problems) const {
    problems.insert(problems.end(), problems_.begin(), problems_.end());
    const PiplProperties pipl = problems_.empty() ? properties(options) : PiplProperties();
    const std::pair<const char*, const std::string*> texts[] = {
        {"name", &pipl.name}, {"category", &pipl.category}, {"match name", &pipl.matchName}};
    for (const auto& [what, text] : texts) {
        if (text->size() > kMaximumPiplText) {
            problems.push_back(std::string(what) + " \"" + *text + "\": longer than " +
                               std::to_string(kMaximumPiplText) + " bytes");
        }
    }
    return pipl;
}

std::vector<std::uint8_t> EffectPackager::module(const PackOptions& options) const {
    std::vector<std::string> problems;
    const PiplProperties pipl = checkedProperties(options, problems);
    const std::string engine =
        options.engineModule.empty() ? ModuleFiles::defaultEngine() : options.engineModule;
    const auto engineBytes = ModuleResources::readFile(engine);
    if (!engineBytes)
        problems.push_back(engine + ": cannot read the engine module");
    if (!problems.empty())
        throw PackError(problems);
    return ModuleFiles::withResources(engine, *engineBytes, resources(pipl));
}

std::vector<ModuleResources::Resource> EffectPackager::resources(const PiplProperties& pipl) const {
    return {
        {ModuleResources::Key::string("BLOB"), ModuleResources::Key::number(kRcData),
         kPackageLanguage, package()},
        {ModuleResources::Key::number(kPiplResourceId), ModuleResources::Key::string("PIPL"),
         kPiplLanguage, buildPipl(pipl)},
    };
}

// What is written into the effect folder would replace its files or be
// packed into the next module made from it.
void EffectPackager::requireOutside(const std::string& path) const {
    if (PathRules::isInside(path, folder_)) {
        throw PackError(
            {path + ": inside the effect folder " + folder_ + "; write the output outside it"});
    }
}

void EffectPackager::writeResourceScript(const std::string& folder,
                                         const PackOptions& options) const {
    requireOutside(folder);
    std::vector<std::string> problems;
    const PiplProperties pipl = checkedProperties(options, problems);
    if (!problems.empty())
        throw PackError(problems);
    // The resource compiler reads the data from files the script names; the
    // language is the one the engine and the host look the resources up in.
    writeFileAtomically((fs::path(folder) / "pipl.bin").string(), buildPipl(pipl), false);
    writeFileAtomically((fs::path(folder) / "package.bin").string(), package(), false);
    const std::string language = "LANGUAGE " + std::to_string(kPackageLanguage & 0x3FF) + ", " +
                                 std::to_string(kPackageLanguage >> 10) + "\n";
    static_assert(kPackageLanguage == kPiplLanguage, "one LANGUAGE statement serves both");
    const std::string script =
        "// The effect's property list and package, written by quillshade pack.\n" + language +
        std::to_string(kPiplResourceId) +
        " PIPL \"pipl.bin\"\n"
        "BLOB RCDATA \"package.bin\"\n";
    writeFileAtomically((fs::path(folder) / "resources.rc").string(),
                        std::vector<std::uint8_t>(script.begin(), script.end()), false);
}

void EffectPackager::writeModule(const std::string& path, const PackOptions& options) const {
    requireOutside(path);
    writeFileAtomically(path, module(options), true);
}

void EffectPackager::writePackage(const std::string& path) const {
    requireOutside(path);
    writeFileAtomically(path, package(), false);
}
