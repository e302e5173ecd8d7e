#include "SourceDialect.h"

#include "ShaderText.h"

bool parseSourceDialect(const std::string& name, SourceDialect& dialect) {
    if (name == "shadertoy")
        dialect = SourceDialect::Shadertoy;
    else if (name == "webgl")
        dialect = SourceDialect::WebGL;
    else if (name == "glsl")
        dialect = SourceDialect::Glsl;
    else
        return false;
    return true;
}

const char* sourceDialectName(SourceDialect dialect) {
    switch (dialect) {
        case SourceDialect::Shadertoy:
            return "shadertoy";
        case SourceDialect::WebGL:
            return "webgl";
        case SourceDialect::Glsl:
            break;
    }
    return "glsl";
}

SourceDialect detectSourceDialect(const ShaderText& text) {
    if (text.uses("mainImage"))
        return SourceDialect::Shadertoy;
    bool es = false;
    const int version = text.version(es);
    if (es || (version == 0 && (text.uses("precision") || text.uses("varying"))))
        return SourceDialect::WebGL;
    return SourceDialect::Glsl;
}
