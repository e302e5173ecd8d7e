#include "EffectCheck.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "EffectModule.h"
#include "EffectUnpacker.h"
#include "EmptyReads.h"
#include "GlobalSetupReport.h"
#include "HostErrorNames.h"
#include "PackError.h"
#include "ReferenceCompiler.h"
#include "ReferenceFindings.h"
#include "ScriptLocation.h"
#include "ScriptProbes.h"
#include "ShaderChecks.h"
#include "ShaderLog.h"
#include "SimulatedHost.h"
#include "SlowPasses.h"
#include "TestPattern.h"
#include "WatchedEngine.h"
#include "entities/Context.h"
#include "entities/EntityHandle.h"
#include "gl/Shader.h"
#include "gl/Texture.h"
#include "host/AEQuillshade2.h"
#include "host/GpuPassTimes.h"
#include "package/BlobReader.h"
#include "script/Scripting.h"

namespace {

// The size of the test frame: small, and wider than high like most footage.
constexpr A_long kFrameWidth = 256;
constexpr A_long kFrameHeight = 144;

const char kMissingShaderText[] = "Shader file not found or shader is empty!";

bool scriptDefines(const char* name) {
    duk_context* ctx = Scripting::instance().context();
    if (ctx == nullptr)
        return false;
    duk_get_global_string(ctx, name);
    const bool defined = !duk_is_undefined(ctx, -1);
    duk_pop(ctx);
    return defined;
}

std::string failure(PF_Cmd cmd, PF_Err error, const char* message, std::size_t size) {
    const std::string text(message, strnlen(message, size));
    return commandName(cmd) + " failed with " + hostErrorName(error) +
           (text.empty() ? "" : ": " + text);
}

std::string failure(PF_Cmd cmd, const CommandResult& result) {
    return failure(cmd, result.error, result.out.return_msg, sizeof result.out.return_msg);
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), lower(name)) != names.end();
}

std::string extension(const std::string& name) {
    return lower(std::filesystem::path(name).extension().string());
}

bool isImageName(const std::string& name) {
    static const char* const kinds[] = {".png", ".jpg", ".jpeg", ".bmp", ".tga", ".gif",
                                        ".psd", ".hdr", ".pic",  ".pnm", ".ppm", ".pgm",
                                        ".exr", ".tif", ".tiff", ".webp"};
    const std::string kind = extension(name);
    return std::find_if(std::begin(kinds), std::end(kinds),
                        [&kind](const char* k) { return kind == k; }) != std::end(kinds);
}

// The picture every checked frame renders over.
HostWorld testFrame() {
    return testPattern(kFrameWidth, kFrameHeight, 16);
}

}  // namespace

EffectCheck::EffectCheck(const std::string& modulePath) : path_(modulePath) {
    run();
}

void EffectCheck::problem(std::string text) {
    if (std::find(problems_.begin(), problems_.end(), text) == problems_.end())
        problems_.push_back(std::move(text));
}

void EffectCheck::run() {
    try {
        files_ = EffectUnpacker(path_).files();
    } catch (const PackError& error) {
        for (const std::string& line : error.problems()) problem(line);
        return;
    }
    for (const EffectFile& file : files_) {
        if (file.name == "fx.js")
            script_.assign(file.data.begin(), file.data.end());
    }
    std::unique_ptr<EffectModule> module;
    try {
        module = std::make_unique<EffectModule>(path_, watchedEntryPoint);
        pipl_ = module->pipl();
    } catch (const ModuleLoadError& error) {
        problem(error.what());
        return;
    }
    // The engine opens the package itself at global set-up; opened first
    // here, its reads can be watched from the start. The engine's own load
    // then finds the package open and keeps the watch in place.
    BlobReader::instance().load(static_cast<win32::HMODULE>(module->instanceHandle()));
    if (!recordEmptyReads()) {
        problem(path_ +
                ": the engine cannot open the module's package (was it packed by a "
                "quillshade of another build?)");
        return;
    }
    GpuPassTimes& passTimes = GpuPassTimes::instance();
    passTimes.enabled = true;
    const bool ready = runCommands(*module);
    // The frames' passes were read after their read-backs.
    warnings_ = SlowPasses().add(passTimes.take(), 0);
    reportScriptErrors();
    reportShaders();
    if (ready)
        compileUnusedShaders();
    reportImages();
    reportEmptyReads();
}

bool EffectCheck::runCommands(const EffectModule& module) {
    SimulatedHost host(module);
    Composition composition;
    composition.width = kFrameWidth;
    composition.height = kFrameHeight;
    host.setComposition(composition);

    const CommandResult global = host.globalSetup();
    if (global.error != PF_Err_NONE) {
        problem(failure(PF_Cmd_GLOBAL_SETUP, global));
        return false;
    }
    for (const std::string& difference : GlobalSetupReport::of(global.out).differences(pipl_)) {
        problem("global set-up: " + difference + "; a host warns the user about it");
    }
    // A script that does not parse defines nothing at all, not even setup().
    for (const ScriptFailure& failed : scriptFailures()) {
        if (failed.cmd == PF_Cmd_GLOBAL_SETUP &&
            failed.error.message.rfind("SyntaxError", 0) == 0 && !scriptDefines("setup")) {
            scriptParsed_ = false;
        }
    }

    const CommandResult params = host.paramsSetup();
    if (params.error != PF_Err_NONE) {
        problem(failure(PF_Cmd_PARAMS_SETUP, params));
        return true;
    }
    CommandResult added;
    const InstanceId instance = host.addInstance(&added);
    if (added.error != PF_Err_NONE) {
        problem(failure(PF_Cmd_SEQUENCE_SETUP, added));
        return true;
    }
    // Adding an instance sends the interface update when the effect asks for
    // them; the check runs one in any case.
    if ((host.globalOutFlags() & PF_OutFlag_SEND_UPDATE_PARAMS_UI) == 0) {
        const CommandResult ui = host.updateParamsUI(instance);
        if (ui.error != PF_Err_NONE)
            problem(failure(PF_Cmd_UPDATE_PARAMS_UI, ui));
    }
    if (!scriptParsed_) {
        notes_.push_back("no frame was rendered: fx.js does not parse");
        return true;
    }

    const FrameResult frame = host.renderFrame(instance, testFrame(), FrameTime{});
    if (frame.error != PF_Err_NONE) {
        problem(failure(frame.command, frame.error, frame.message.c_str(), frame.message.size()));
    }
    if (Context::instance().shaderErrors().empty()) {
        // Errors of the probed frames are the frame's above, but blamed on
        // the probes' lines: they are dropped.
        const auto failures = static_cast<long>(scriptFailures().size());
        for (std::string& found : probeScriptUsage(host, instance, testFrame(), script_))
            problem(std::move(found));
        scriptFailures().erase(scriptFailures().begin() + failures, scriptFailures().end());
    } else {
        notes_.push_back(
            "draw() did not run: while any one shader has an error, the host shows the error "
            "text in every frame instead of the effect, whichever shaders the frame uses");
    }
    return true;
}

void EffectCheck::reportScriptErrors() {
    for (const ScriptFailure& failed : scriptFailures()) {
        // Without a parsed script every later call fails for that alone.
        if (!scriptParsed_ && failed.cmd != PF_Cmd_GLOBAL_SETUP)
            continue;
        if (!scriptParsed_ && failed.cmd == PF_Cmd_GLOBAL_SETUP) {
            const ScriptLocation location = locateScriptError(failed.error, script_);
            problem((location.place == ScriptLocation::InScript
                         ? "fx.js:" + std::to_string(location.line) + ": "
                         : std::string("fx.js: ")) +
                    location.message + " (fx.js does not parse, so none of it ran)");
        } else {
            problem(describeScriptFailure(failed, script_));
        }
    }
}

void EffectCheck::reportShaders() {
    const auto* shaders = registry<Shader::Factory>(EntityHandle::ShaderBase);
    if (shaders == nullptr)
        return;
    for (std::uint32_t position = 0; position < shaders->count(); ++position) {
        for (const Parameter& record : shaders->at(position).uniforms)
            effectUniforms_.insert(record.name);
    }
    AEQuillshade2& engine = plugin();
    const bool locked = engine.lockGLContext();
    for (std::uint32_t position = 0; position < shaders->count(); ++position) {
        const Shader& shader = shaders->at(position);
        const std::string file = shaderFile(shader);
        if (!file.empty())
            loadedShaderFiles_.push_back(lower(file));
        if (!shader.errorText.empty()) {
            shaderProblem(shader, file, true);
            continue;
        }
        if (locked)
            reportUniforms(shader, file);
        reportReference(shader, file);
    }
    if (locked)
        engine.unlockGLContext();
}

void EffectCheck::reportUniforms(const Shader& shader, const std::string& file) {
    const std::string where = file.empty() ? "fx.js" : file;
    for (std::string& text : uniformProblems(shader, where)) problem(std::move(text));
    for (std::string& text : unknownUniformSets(shader, where, script_, effectUniforms_))
        problem(std::move(text));
    for (std::string& text : unsetUniforms(shader, where)) problem(std::move(text));
}

void EffectCheck::reportReference(const Shader& shader, const std::string& file) {
    if (!ReferenceCompiler::available()) {
        const std::string note =
            "shaders were not compiled with the reference compiler: this build of quillshade "
            "lacks it (the Linux tool has it)";
        if (std::find(notes_.begin(), notes_.end(), note) == notes_.end())
            notes_.push_back(note);
        return;
    }
    for (std::string& text : referenceFindings(shader.source, file.empty() ? "fx.js" : file)) {
        if (std::find(warnings_.begin(), warnings_.end(), text) == warnings_.end())
            warnings_.push_back(std::move(text));
    }
}

void EffectCheck::shaderProblem(const Shader& shader, const std::string& file, bool byScript) {
    const std::string name = narrow(shader.name);
    const std::string& error = shader.errorText;
    if (!file.empty())
        reportedFiles_.push_back(lower(file));
    if (error == kMissingShaderText) {
        bool empty = false;
        const std::string state =
            inPackage(file, &empty) && empty ? "is empty" : "is not in the package";
        problem(byScript ? scriptPlaceOf(name) + "shader \"" + name + "\": " + file + " " + state +
                               ", so the shader has no program"
                         : file + ": " + state);
        return;
    }
    const std::string where = file.empty() ? "fx.js" : file;
    const std::size_t firstLine = error.find('\n');
    const std::string head = error.substr(0, firstLine);
    const std::string log = firstLine == std::string::npos ? "" : error.substr(firstLine + 1);
    std::string what = head;
    if (head == "Shader compilation failed:")
        what = "does not compile";
    else if (head == "Program linking failed:")
        what = "does not link";
    const std::string hint = mainInCommentHint(shader.source, where);
    problem(where + ": shader \"" + name + "\" " + what +
            (byScript ? "" : " (fx.js did not load it during the check)") +
            (log.empty() ? "" : ":\n" + authorShaderLog(log, shader.source, where)) +
            (hint.empty() ? "" : "\n" + hint));
}

void EffectCheck::compileUnusedShaders() {
    std::vector<std::string> unused;
    for (const EffectFile& file : files_) {
        if (extension(file.name) == ".frag" && !contains(loadedShaderFiles_, file.name))
            unused.push_back(file.name);
    }
    if (unused.empty())
        return;
    AEQuillshade2& engine = plugin();
    if (!engine.lockGLContext()) {
        notes_.push_back(
            "the shader files fx.js did not load were not compiled: the GL context "
            "could not be taken");
        return;
    }
    Context& context = Context::instance();
    for (const std::string& file : unused) {
        const std::string name = std::filesystem::path(file).stem().string();
        const std::uint32_t handle = context.createShader(name, "");
        if (handle == 0)
            continue;
        const Shader& shader = context.getShader(handle);
        if (!shader.errorText.empty()) {
            shaderProblem(shader, file, false);
        } else {
            reportUniforms(shader, file);
            reportReference(shader, file);
        }
        context.release(handle);
    }
    engine.unlockGLContext();
}

void EffectCheck::reportImages() {
    const auto* textures = registry<Texture::Factory>(EntityHandle::TextureBase);
    if (textures == nullptr)
        return;
    for (std::uint32_t position = 0; position < textures->count(); ++position) {
        const Texture& texture = textures->at(position);
        // A texture keeps the name of an image file it read but could not decode.
        if (texture.texture != 0 || texture.name.empty() || contains(reportedFiles_, texture.name))
            continue;
        problem(scriptPlaceOf(texture.name) + "image \"" + texture.name +
                "\" cannot be decoded, so its texture has no pixels (the engine reads PNG, JPEG "
                "and Radiance HDR files within the texture size and pixel memory limits)");
        reportedFiles_.push_back(lower(texture.name));
    }
}

void EffectCheck::reportEmptyReads() {
    for (const std::string& name : emptyReads()) {
        if (contains(reportedFiles_, name))
            continue;
        bool empty = false;
        const bool present = inPackage(name, &empty);
        const bool image = isImageName(name);
        problem(scriptPlaceOf(name) + (image ? "image \"" : "file \"") + name + "\" " +
                (present && empty ? "is empty" : "is not in the package") +
                (image ? ", so its texture has no pixels" : ""));
        reportedFiles_.push_back(lower(name));
    }
}

std::string EffectCheck::scriptPlaceOf(const std::string& file) const {
    return ::scriptPlaceOf(script_, file);
}

bool EffectCheck::inPackage(const std::string& name, bool* empty) const {
    for (const EffectFile& file : files_) {
        if (lower(file.name) == lower(name)) {
            if (empty)
                *empty = file.data.empty();
            return true;
        }
    }
    return false;
}
