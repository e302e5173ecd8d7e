#pragma once
// What to write instead, for the GL complaints that shaders written for other
// hosts (web playgrounds, Shadertoy, desktop and Vulkan programs) run into in
// this engine, whose vertex stage is desktop GLSL 1.10 and writes only
// gl_TexCoord[0..3]. GL's own words name the symptom ("lacks `main'",
// "varying vUv not written by vertex shader"); each piece of advice is one
// line that names the cause and the text to write.
//
// It also takes out the lists of overloads that Mesa prints after "no
// matching function": fifty lines of `texture` signatures hide the error
// that caused the mismatch, which stands on the line before.

#include <string>
#include <vector>

class ShaderLogAdvice {
public:
    // `authorText` is the shader as its author wrote it; `version` and `es`
    // the dialect its #version line names.
    ShaderLogAdvice(const std::string& authorText, int version, bool es);

    // The log lines, already given in the author's places ("file:7:3:
    // error: ..."), without the overload lists, followed by one line of advice
    // for each cause found (none repeated).
    std::vector<std::string> advise(const std::vector<std::string>& lines,
                                    const std::string& file) const;

private:
    // "file:N" for the first author line that declares `name` after one of
    // the words `qualifiers`, or "file" when none does.
    std::string declarationPlace(const std::string& name, const std::string& file) const;
    std::string adviceFor(const std::string& line, const std::string& file) const;

    std::string authorText_;
    int version_;
    bool es_;
};
