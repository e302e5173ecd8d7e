#pragma once
// Runs an effect module as a host will run it after it ships, and collects
// every problem an author should fix: script errors with their fx.js lines,
// shaders that do not compile, files the script asks for that the package
// lacks, and host commands that fail; and warns about shader passes that
// keep the GPU busy too long or that other vendors' compilers may refuse.
//
// The module's own engine keeps script errors and missing files to itself, so
// the check runs the module through the engine linked into this tool (see
// InProcessEngine.h) and inspects its state after each command. That engine
// is process-wide: one check per process.

#include <set>
#include <string>
#include <vector>

#include "EffectFile.h"
#include "Pipl.h"

class EffectModule;
class Shader;

class EffectCheck {
public:
    // Runs the whole check of the module file; problems() and notes() hold
    // the findings afterwards.
    explicit EffectCheck(const std::string& modulePath);

    // Each problem is one text whose first line names the file (and line)
    // when there is one; further lines are indented.
    const std::vector<std::string>& problems() const { return problems_; }
    // What the check could not try, and why; not problems in themselves.
    const std::vector<std::string>& notes() const { return notes_; }
    // Passes that kept the GPU busy past the engine's budget: what may fail
    // on the users' machines, not on this one.
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    void run();
    // The host commands up to a rendered frame; false when global set-up
    // failed, so the engine may hold neither a script nor a GL context.
    bool runCommands(const EffectModule& module);
    void reportScriptErrors();
    void reportShaders();
    // One shader's error; `byScript` tells a shader that fx.js made from one
    // the check compiled itself.
    void shaderProblem(const Shader& shader, const std::string& file, bool byScript);
    // Uniforms of a working shader whose values never reach it; the GL
    // context must be held.
    void reportUniforms(const Shader& shader, const std::string& file);
    // What the reference compiler finds in a working shader, as warnings.
    void reportReference(const Shader& shader, const std::string& file);
    void compileUnusedShaders();
    void reportImages();
    void reportEmptyReads();

    void problem(std::string text);
    // "fx.js:12: " for the first line of fx.js that names `file` in quotes;
    // "fx.js: " when none does.
    std::string scriptPlaceOf(const std::string& file) const;
    bool inPackage(const std::string& name, bool* empty = nullptr) const;

    std::string path_;
    PiplProperties pipl_;
    std::vector<EffectFile> files_;
    std::string script_;
    // Shader files the script loaded, in lower case.
    std::vector<std::string> loadedShaderFiles_;
    // The uniforms of every shader the script made.
    std::set<std::string> effectUniforms_;
    // Files whose problem has been reported already, in lower case.
    std::vector<std::string> reportedFiles_;
    bool scriptParsed_ = true;
    std::vector<std::string> problems_;
    std::vector<std::string> notes_;
    std::vector<std::string> warnings_;
};
