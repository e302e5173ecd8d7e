#include "WatchedEngine.h"

#include <algorithm>

#include "HostErrorNames.h"
#include "InProcessEngine.h"
#include "ScriptLocation.h"
#include "gl/Shader.h"
#include "script/Scripting.h"

std::vector<ScriptFailure>& scriptFailures() {
    static std::vector<ScriptFailure> failures;
    return failures;
}

PF_Err watchedEntryPoint(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                         PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
    const PF_Err result = inProcessEntryPoint(cmd, in_data, out_data, params, output, extra);
    Scripting& scripting = Scripting::instance();
    if (!scripting.lastError().message.empty()) {
        scriptFailures().push_back(ScriptFailure{cmd, scripting.lastError()});
        scripting.clearLastError();
    }
    return result;
}

std::string scriptStep(PF_Cmd cmd) {
    switch (cmd) {
        case PF_Cmd_GLOBAL_SETUP:
            return "loading fx.js: its top level or setup()";
        case PF_Cmd_UPDATE_PARAMS_UI:
            return "in updateUIFlags()";
        case PF_Cmd_FRAME_SETUP:
        case PF_Cmd_SMART_PRE_RENDER:
            return "in preRender()";
        case PF_Cmd_RENDER:
        case PF_Cmd_SMART_RENDER:
            return "in draw()";
        default:
            return "during " + commandName(cmd);
    }
}

std::string describeScriptFailure(const ScriptFailure& failure, const std::string& script) {
    const ScriptLocation location = locateScriptError(failure.error, script);
    const std::string place = location.place == ScriptLocation::InScript
                                  ? "fx.js:" + std::to_string(location.line) + ": "
                                  : std::string("fx.js: ");
    const std::string step = location.place == ScriptLocation::InSetupCall
                                 ? "in the engine's call of setup() after fx.js"
                                 : scriptStep(failure.cmd);
    return place + location.message + " (" + step + ")";
}

std::string scriptPlaceOf(const std::string& script, const std::string& file) {
    std::size_t at = std::string::npos;
    for (const char quote : {'"', '\''}) at = std::min(at, script.find(quote + file + quote));
    if (at == std::string::npos)
        return "fx.js: ";
    const auto lines = std::count(script.begin(), script.begin() + static_cast<long>(at), '\n');
    return "fx.js:" + std::to_string(lines + 1) + ": ";
}

std::string narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) result += c > 0 && c < 0x80 ? static_cast<char>(c) : '?';
    return result;
}

std::string shaderFile(const Shader& shader) {
    const std::string path = narrow(shader.path);
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
