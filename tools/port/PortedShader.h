#pragma once
// One shader from another host, rewritten in the engine's dialect.
//
// The source hosts draw with row 0 at the bottom: gl_FragCoord, texture
// coordinates and the textures they read all count upwards, as GL does. In
// this engine the input and layer textures hold their top row at t = 0 and
// the output target is read back bottom row first. So a ported shader keeps
// its own view of the world: it finds its place from gl_FragCoord, never
// from gl_TexCoord (whose direction follows the flip argument), and the
// effect script hands it textures turned the right way up first (see
// EffectScript.h). A Vulkan-style shader counts rows downwards instead, like
// the engine's textures: its gl_FragCoord is turned and its textures are read
// as they are.

#include <string>
#include <vector>

#include "PortedUniform.h"
#include "ShaderText.h"
#include "SourceDialect.h"

class PortedShader {
public:
    PortedShader(const std::string& source, SourceDialect dialect);

    // The shader text for the effect folder.
    const std::string& text() const { return text_; }
    SourceDialect dialect() const { return dialect_; }
    const std::vector<PortedUniform>& uniforms() const { return uniforms_; }
    // What could not be brought over, by line of the source.
    const std::vector<PortNote>& notes() const { return notes_; }
    // Whether the shader reads its textures with row 0 at the bottom.
    bool rowsUp() const { return rowsUp_; }
    // The size uniform the port added for the rewritten coordinates.
    static constexpr char kSizeUniform[] = "qs_resolution";
    bool needsSizeUniform() const { return needsSize_; }

private:
    struct Edit {
        std::size_t start;
        std::size_t end;
        std::string text;
    };

    void portShadertoy();
    void portVersionLine(int version, bool es);
    void portOlderReads();
    void portVaryings();
    void portTexCoords();
    void portVulkanLayouts();
    void scanUniforms();
    void note(std::size_t position, const std::string& text);
    void apply();

    SourceDialect dialect_;
    ShaderText shader_;
    std::string text_;
    std::vector<std::string> header_;
    std::string tail_;
    std::vector<Edit> edits_;
    std::vector<PortedUniform> uniforms_;
    std::vector<PortNote> notes_;
    bool rowsUp_ = true;
    bool needsSize_ = false;
};
