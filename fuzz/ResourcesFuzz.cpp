// A module file's resources as the tool reads them without loading the
// module: the resource trailer after the image (the Linux module format), the
// property list `quillshade info` shows and the package `quillshade unpack`
// restores, found as ModuleFiles::readResource finds them. The bytes go in
// directly rather than through a file: the file reader allocates a mebibyte
// a read, and the page faults of that took nearly all of every run (39 runs a
// second instead of 6,600).
//
// Resources the reader accepts must also survive `pack`'s rewriting of a
// module: replacing one resource keeps the image and the others, and the
// result reads back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "ModuleFiles.h"
#include "PackError.h"
#include "PackageArchive.h"
#include "Pipl.h"
#include "package/PackageCipher.h"

namespace {

using namespace ModuleResources;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "resources: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    ModuleFiles::isModule(bytes);
    const ModuleFile module = parse(bytes);
    if (const Resource* list = find(module, Key::number(kPiplResourceId), Key::string("PIPL")))
        parsePipl(list->data);
    if (const Resource* blob = find(module, Key::string("BLOB"), Key::number(10))) {
        try {
            PackageArchive::unzip(PackageCipher::unscramblePackage(blob->data), "module");
        } catch (const PackError&) {
        }
    }

    const Resource pipl{Key::number(kPiplResourceId), Key::string("PIPL"), kPiplLanguage,
                        buildPipl(PiplProperties{})};
    const ModuleFile rewritten = parse(ModuleFiles::withResources("module", bytes, {pipl}));
    require(rewritten.image == module.image, "the image changed");
    std::size_t kept = 0;
    for (const Resource& resource : module.resources) {
        if (resource.name == pipl.name && resource.type == pipl.type)
            continue;
        ++kept;
        // The first of equal name and type is the one found, in both.
        const Resource* again = find(rewritten, resource.name, resource.type);
        require(again != nullptr && again->data == find(module, resource.name, resource.type)->data,
                "a resource was lost or changed");
    }
    require(rewritten.resources.size() == kept + 1, "the resources were not replaced one for one");
    const Resource* added = find(rewritten, pipl.name, pipl.type);
    require(added != nullptr && added->data == pipl.data, "the added resource did not read back");
    return 0;
}
