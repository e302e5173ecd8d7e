#pragma once
// The tool's own engine (InProcessEngine.h) watched between commands, for the
// commands that report what the module's engine swallows: script errors
// with the command that raised them, and shaders with their files.

#include <string>
#include <vector>

#include "HostInterface.h"
#include "entities/Context.h"
#include "script/ScriptError.h"

class Shader;

struct ScriptFailure {
    PF_Cmd cmd;
    ScriptError error;
};

// The tool's engine, with the script error a command left taken away after
// it into scriptFailures(), so that each error is told with its command.
PF_Err watchedEntryPoint(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                         PF_ParamDef* params[], PF_LayerDef* output, void* extra);
std::vector<ScriptFailure>& scriptFailures();

// What the engine's script was running during a command, e.g. "in draw()".
std::string scriptStep(PF_Cmd cmd);
// "fx.js:12: message (in draw())" for an error of the effect's `script`.
std::string describeScriptFailure(const ScriptFailure& failure, const std::string& script);
// "fx.js:12: " for the first line of `script` that names `file` in quotes;
// "fx.js: " when none does.
std::string scriptPlaceOf(const std::string& script, const std::string& file);

// The engine's shader and file names are wide; effects name them in ASCII.
std::string narrow(const std::wstring& text);
// The file a shader was loaded from, without the engine's leading folder
// separator; empty for a shader compiled from a text.
std::string shaderFile(const Shader& shader);

template <typename Registry>
Registry* registry(std::uint32_t base) {
    const auto& factories = Context::instance().factories;
    const auto found = factories.find(base);
    return found != factories.end() ? dynamic_cast<Registry*>(found->second.get()) : nullptr;
}
