#include "ShaderLog.h"

#include "gl/FragmentAssembly.h"

std::string authorShaderLog(const std::string& log, const std::string& source,
                            const std::string& file) {
    const std::string lines = FragmentAssembly(source).authorLog(log, file);
    std::string text = lines.empty() ? "" : "    ";
    for (const char c : lines) text += c == '\n' ? std::string("\n    ") : std::string(1, c);
    return text;
}
