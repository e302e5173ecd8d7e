#pragma once
// Makes effect modules from effect folders. An effect folder holds the
// effect's files at its top level: fx.js, config.xml, shaders and images. They
// are zipped at the archive's root, scrambled into the package, and added with
// the property list as resources to a copy of the bare engine module.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "EffectFile.h"
#include "Pipl.h"
#include "package/ConfigDocument.h"
#include "platform/ModuleResources.h"

struct PackOptions {
    std::string engineModule;  // empty: the bare engine module this build made
    std::string name;          // empty: the effect folder's name
    std::string category;      // empty: EffectPackager::kDefaultCategory
    std::string matchName;     // empty: the name
};

class EffectPackager {
public:
    static constexpr const char* kDefaultCategory = "Quillshade";

    // Reads the folder's files and checks them; problems are collected, not thrown.
    explicit EffectPackager(const std::string& folder);
    ~EffectPackager();

    // Every problem with the folder, one line each naming the file and the
    // reason; empty when it can be packed.
    const std::vector<std::string>& problems() const { return problems_; }
    const std::vector<EffectFile>& files() const { return files_; }

    // The scrambled package, as the "BLOB" resource holds it. Throws PackError.
    std::vector<std::uint8_t> package() const;

    // The property list values the module will carry. Throws PackError.
    PiplProperties properties(const PackOptions& options) const;

    // The engine module with the package and the property list added; throws
    // PackError with the folder's problems and those of the options.
    std::vector<std::uint8_t> module(const PackOptions& options) const;

    // The resources a module carries: the package ("BLOB", RT_RCDATA) and the
    // property list ("PIPL" 16000).
    std::vector<ModuleResources::Resource> resources(const PiplProperties& pipl) const;

    // Write the module (executable) or the bare package; on failure nothing is
    // written. None of the writers writes into the effect folder.
    void writeModule(const std::string& path, const PackOptions& options) const;
    void writePackage(const std::string& path) const;
    // Writes pipl.bin, package.bin and resources.rc, which names them, into
    // `folder`: what a resource compiler needs to build the module. Throws PackError.
    void writeResourceScript(const std::string& folder, const PackOptions& options) const;

private:
    PiplProperties checkedProperties(const PackOptions& options,
                                     std::vector<std::string>& problems) const;
    void readFolder();
    void checkNames();
    void checkRequiredFiles();
    void requireNoProblems() const;
    void requireOutside(const std::string& path) const;
    std::string pathOf(const std::string& name) const;

    std::string folder_;
    std::vector<EffectFile> files_;
    std::vector<std::string> problems_;
    std::unique_ptr<ConfigDocument> config_;
};
