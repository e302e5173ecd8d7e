#include "FrameProblems.h"

#include "EmptyReads.h"
#include "ShaderChecks.h"
#include "ShaderLog.h"
#include "WatchedEngine.h"
#include "entities/EntityHandle.h"
#include "gl/Shader.h"

namespace {

const char kMissingShaderText[] = "Shader file not found or shader is empty!";

std::string shaderProblem(const Shader& shader, const std::string& script) {
    const std::string name = narrow(shader.name);
    const std::string file = shaderFile(shader);
    if (shader.errorText == kMissingShaderText) {
        return scriptPlaceOf(script, name) + "shader \"" + name + "\": " + file +
               " is missing or empty, so the shader has no program";
    }
    const std::string where = file.empty() ? "fx.js" : file;
    const std::size_t firstLine = shader.errorText.find('\n');
    const std::string head = shader.errorText.substr(0, firstLine);
    const std::string log =
        firstLine == std::string::npos ? "" : shader.errorText.substr(firstLine + 1);
    return where + ": shader \"" + name + "\" " +
           (head == "Program linking failed:" ? "does not link" : "does not compile") +
           (log.empty() ? "" : ":\n" + authorShaderLog(log, shader.source, where));
}

}  // namespace

void FrameProblems::add(Found& found, const std::string& message) {
    found.failed = true;
    if (reported_.insert(message).second)
        found.messages.push_back(message);
}

void FrameProblems::warn(Found& found, const std::string& message) {
    if (reported_.insert(message).second)
        found.messages.push_back(message);
}

FrameProblems::Found FrameProblems::collect() {
    Found found;
    for (const ScriptFailure& failure : scriptFailures())
        add(found, describeScriptFailure(failure, script_));
    scriptFailures().clear();
    if (const auto* shaders = registry<Shader::Factory>(EntityHandle::ShaderBase)) {
        std::set<std::string> uniforms;
        for (std::uint32_t position = 0; position < shaders->count(); ++position) {
            for (const Parameter& record : shaders->at(position).uniforms)
                uniforms.insert(record.name);
        }
        for (std::uint32_t position = 0; position < shaders->count(); ++position) {
            const Shader& shader = shaders->at(position);
            if (shader.errorText.empty()) {
                const std::string file = shaderFile(shader);
                for (const std::string& set :
                     unknownUniformSets(shader, file.empty() ? "fx.js" : file, script_, uniforms))
                    warn(found, "warning: " + set);
                continue;
            }
            add(found, shaderProblem(shader, script_));
            explained_.insert(shaderFile(shader));
        }
    }
    for (const std::string& name : emptyReads()) {
        const std::string message =
            scriptPlaceOf(script_, name) + "file \"" + name + "\" is missing or empty";
        if (explained_.count(name) == 0 && reported_.count(message) == 0)
            add(found, message);
    }
    return found;
}
