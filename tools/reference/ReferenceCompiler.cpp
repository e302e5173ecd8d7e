#include "ReferenceCompiler.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <cstdlib>
#include <utility>

#include "platform/LargeStack.h"

namespace {

// glslang's tables for the whole process, set up on first use and torn down
// at exit.
class GlslangProcess {
public:
    GlslangProcess() { glslang::InitializeProcess(); }
    ~GlslangProcess() { glslang::FinalizeProcess(); }
    GlslangProcess(const GlslangProcess&) = delete;
    GlslangProcess& operator=(const GlslangProcess&) = delete;
};

// The limits of GLSL ES 1.00's Appendix A, the least a driver of that
// dialect must accept; without them glslang accepts what desktop GLSL does.
TBuiltInResource appendixALimits() {
    TBuiltInResource limits = *GetDefaultResources();
    limits.limits.nonInductiveForLoops = false;
    limits.limits.whileLoops = false;
    limits.limits.doWhileLoops = false;
    limits.limits.generalUniformIndexing = false;
    limits.limits.generalAttributeMatrixVectorIndexing = false;
    limits.limits.generalVaryingIndexing = false;
    limits.limits.generalSamplerIndexing = false;
    limits.limits.generalVariableIndexing = false;
    limits.limits.generalConstantMatrixVectorIndexing = false;
    return limits;
}

// Whether the text's `#version` line names GLSL ES 1.00 (the only dialect
// numbered 100).
bool declaresEs100(const std::string& text) {
    const std::size_t at = text.find("#version");
    return at != std::string::npos && std::strtol(text.c_str() + at + 8, nullptr, 10) == 100;
}

// The error lines of a glslang log ("ERROR: 0:12: 'x' : ..." or "ERROR:
// Linking ..."), without the summary lines that only count or repeat them.
void readLog(const char* log, std::vector<ReferenceMessage>& messages) {
    const std::string text = log == nullptr ? "" : log;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.compare(0, 7, "ERROR: ") != 0)
            continue;
        std::size_t at = 7;
        ReferenceMessage message;
        // "0:12: ": the string (always 0: the text is one string) and the line.
        const std::size_t colon = line.find(':', at);
        if (colon != std::string::npos && colon > at &&
            line.find_first_not_of("0123456789", at) == colon) {
            char* after = nullptr;
            const long number = std::strtol(line.c_str() + colon + 1, &after, 10);
            if (after != line.c_str() + colon + 1 && *after == ':' && number > 0 &&
                number < 1000000) {
                message.line = static_cast<int>(number);
                at = static_cast<std::size_t>(after - line.c_str()) + 1;
            }
        }
        while (at < line.size() && line[at] == ' ') ++at;
        message.text = line.substr(at);
        while (!message.text.empty() && message.text.back() == ' ') message.text.pop_back();
        if (message.text.rfind("'' : compilation terminated", 0) == 0 ||
            message.text.find("No code generated.") != std::string::npos)
            continue;
        messages.push_back(std::move(message));
    }
}

}  // namespace

bool ReferenceCompiler::available() {
    return true;
}

std::vector<ReferenceMessage> ReferenceCompiler::errors(const std::string& text) {
    static GlslangProcess process;
    static const TBuiltInResource es100Limits = appendixALimits();
    const TBuiltInResource* limits = declaresEs100(text) ? &es100Limits : GetDefaultResources();
    std::vector<ReferenceMessage> messages;
    // The front end recurses over the shader's expressions like a driver's.
    LargeStack::run([&] {
        glslang::TShader shader(EShLangFragment);
        const char* const strings[] = {text.c_str()};
        const int lengths[] = {static_cast<int>(text.size())};
        shader.setStringsWithLengths(strings, lengths, 1);
        // A text without `#version` is GLSL 1.10, as GL takes it.
        if (!shader.parse(limits, 110, ENoProfile, false, false, EShMsgDefault)) {
            readLog(shader.getInfoLog(), messages);
            return;
        }
        glslang::TProgram program;
        program.addShader(&shader);
        if (!program.link(EShMsgDefault))
            readLog(program.getInfoLog(), messages);
    });
    return messages;
}
