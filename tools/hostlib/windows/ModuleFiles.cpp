// Module files on Windows: LoadLibraryW for running a module, the module as a
// data file for reading its resources, and the resource update calls for
// adding resources, so that an author packs an effect with no compiler.
#include "ModuleFiles.h"

#include <cstring>
#include <fstream>

#include "CoffSymbols.h"
#include "PackError.h"
#include "WideText.h"

namespace ModuleFiles {
namespace {

// A resource name or type as Win32 takes it; integer ids travel in the pointer.
class ResourceKey {
public:
    explicit ResourceKey(const ModuleResources::Key& key)
        : text_(key.text ? std::wstring(key.text->begin(), key.text->end()) : std::wstring()),
          id_(key.id),
          isText_(key.text.has_value()) {}
    LPCWSTR get() const { return isText_ ? text_.c_str() : MAKEINTRESOURCEW(id_); }

private:
    std::wstring text_;
    WORD id_;
    bool isText_;
};

// A module loaded as data: its resources can be read, none of its code runs.
class DataModule {
public:
    explicit DataModule(const std::string& path)
        : module_(::LoadLibraryExW(widePath(path).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~DataModule() {
        if (module_)
            ::FreeLibrary(module_);
    }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// A temporary file, removed when it goes out of scope.
class TemporaryFile {
public:
    TemporaryFile() {
        wchar_t folder[MAX_PATH + 1];
        wchar_t name[MAX_PATH + 1];
        const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
        if (length == 0 || length > MAX_PATH || ::GetTempFileNameW(folder, L"qsm", 0, name) == 0)
            throw PackError({"cannot create a temporary file: " + lastErrorText()});
        path_ = name;
    }
    ~TemporaryFile() { ::DeleteFileW(path_.c_str()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace

void* load(const std::string& path, std::string& error) {
    HMODULE module = ::LoadLibraryW(widePath(path).c_str());
    if (!module)
        error = lastErrorText();
    return module;
}

void* symbol(void* module, const std::string& name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name.c_str()));
}

void unload(void* module) {
    ::FreeLibrary(static_cast<HMODULE>(module));
}

bool isModule(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 && std::memcmp(bytes.data(), "MZ", 2) == 0;
}

std::optional<std::vector<std::uint8_t>> readResource(const std::string& path,
                                                      const ModuleResources::Key& name,
                                                      const ModuleResources::Key& type) {
    const DataModule module(path);
    if (!module.get())
        return std::nullopt;
    const ResourceKey wideName(name), wideType(type);
    HRSRC found = ::FindResourceExW(module.get(), wideType.get(), wideName.get(),
                                    MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!found)
        found = ::FindResourceW(module.get(), wideName.get(), wideType.get());
    HGLOBAL loaded = found ? ::LoadResource(module.get(), found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data)
        return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + ::SizeofResource(module.get(), found));
}

std::vector<std::uint8_t> withResources(const std::string& path,
                                        const std::vector<std::uint8_t>& bytes,
                                        const std::vector<ModuleResources::Resource>& added) {
    const TemporaryFile copy;
    {
        std::ofstream out(std::filesystem::path(copy.path()), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out)
            throw PackError({"cannot write a temporary copy of " + path});
    }
    HANDLE update = ::BeginUpdateResourceW(copy.path().c_str(), FALSE);
    if (!update)
        throw PackError({path + ": cannot add resources: " + lastErrorText()});
    for (const ModuleResources::Resource& resource : added) {
        const ResourceKey name(resource.name), type(resource.type);
        auto* data = const_cast<std::uint8_t*>(resource.data.data());
        if (!::UpdateResourceW(update, type.get(), name.get(), resource.language, data,
                               static_cast<DWORD>(resource.data.size()))) {
            const std::string reason = lastErrorText();
            ::EndUpdateResourceW(update, TRUE);
            throw PackError({path + ": cannot add resources: " + reason});
        }
    }
    if (!::EndUpdateResourceW(update, FALSE))
        throw PackError({path + ": cannot add resources: " + lastErrorText()});
    std::ifstream in(std::filesystem::path(copy.path()), std::ios::binary);
    std::vector<std::uint8_t> result((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (in.bad() || result.empty())
        throw PackError({"cannot read back the temporary copy of " + path});
    followMovedSymbolTable(bytes, result);
    return result;
}

std::string defaultEngine() {
    wchar_t self[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    const std::filesystem::path folder = length == 0 || length > MAX_PATH
                                             ? std::filesystem::current_path()
                                             : std::filesystem::path(self).parent_path();
    return (folder / "modules" / "QuillshadeEngine.aex").string();
}

}  // namespace ModuleFiles
