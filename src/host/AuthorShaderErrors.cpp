#include "host/AuthorShaderErrors.h"

#include "entities/Context.h"
#include "gl/FragmentAssembly.h"
#include "gl/Shader.h"

namespace {

// Shader file and effect names are ASCII; anything else shows as '?'.
std::string narrow(const std::wstring& text) {
    std::string result;
    for (const wchar_t c : text) result += c > 0 && c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

// The file the author edits: the package file without the engine's leading
// separator, or fx.js for a shader the script compiled from its own text.
std::string authorFile(const Shader& shader) {
    const std::string path = narrow(shader.path);
    const std::size_t slash = path.find_last_of("\\/");
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return file.empty() ? "fx.js" : file;
}

}  // namespace

std::string authorShaderErrors() {
    std::string text;
    const auto& factories = Context::instance().factories;
    const auto found = factories.find(EntityHandle::ShaderBase);
    if (found == factories.end())
        return text;
    const auto* shaders = dynamic_cast<const Shader::Factory*>(found->second.get());
    if (shaders == nullptr)
        return text;
    for (std::uint32_t position = 0; position < shaders->count(); ++position) {
        const Shader& shader = shaders->at(position);
        if (shader.errorText.empty())
            continue;
        // The first line says what failed; the GL log follows it.
        const std::string& error = shader.errorText;
        const std::size_t feed = error.find('\n');
        text += "Shader \"" + narrow(shader.name) + "\"\n" + error.substr(0, feed) + "\n";
        if (feed != std::string::npos && feed + 1 < error.size())
            text += FragmentAssembly(shader.source)
                        .authorLog(error.substr(feed + 1), authorFile(shader)) +
                    "\n";
    }
    return text;
}
