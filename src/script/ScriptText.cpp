#include "script/ScriptText.h"

#include <cstring>

const char kScriptPrelude[] = R"(

var QS_Type = { UNKNOWN:0, FLOAT:1, POINT:2, COLOR:3, LAYER:4, POINT2D:5, TEXTURE:6, PATH:7, BOOL:8, POPUP:9, GROUP_START:10, GROUP_END:11, ANGLE:12};

var QS_GL = {
  RED:                    0x1903,
  GREEN:                  0x1904,
  BLUE:                   0x1905,
  ALPHA:                  0x1906,

  NEAREST:                0x2600,
  LINEAR:                 0x2601,
  NEAREST_MIPMAP_NEAREST: 0x2700,
  LINEAR_MIPMAP_NEAREST:  0x2701,
  NEAREST_MIPMAP_LINEAR:  0x2702,
  LINEAR_MIPMAP_LINEAR:   0x2703,

  TEXTURE_MAG_FILTER:     0x2800,
  TEXTURE_MIN_FILTER:     0x2801,
  TEXTURE_WRAP_S:         0x2802,
  TEXTURE_WRAP_T:         0x2803,
  CLAMP:                  0x2804,
  REPEAT:                 0x2805,

  CLAMP_TO_EDGE:          0x812F,
  CLAMP_TO_BORDER:        0x812D,
  MIRRORED_REPEAT:        0x8370,

  TEXTURE_MIN_LOD:        0x813A,
  TEXTURE_MAX_LOD:        0x813B,
  TEXTURE_BASE_LEVEL:     0x813C,
  TEXTURE_MAX_LEVEL:      0x813D,

  TEXTURE_LOD_BIAS:       0x8501,

/* ------------------------- GL_ARB_texture_swizzle ------------------------ */
  TEXTURE_SWIZZLE_R:      0x8E42,
  TEXTURE_SWIZZLE_G:      0x8E43,
  TEXTURE_SWIZZLE_B:      0x8E44,
  TEXTURE_SWIZZLE_A:      0x8E45
};

var QS_ParamFlags = {
  NONE:               0,

  ScaleByWidth:       8,
  ScaleByHeight:      16,
  RemoveScale:        32
};

)";

namespace {

const char kImport[] = "import Q;";
const char kQualifiedPrefix[] = "Q.S.";
const char kNativePrefix[] = "QS_";

}  // namespace

std::string buildScriptText(const std::string& script) {
    std::string text = kScriptPrelude;
    text += script;
    text += "\nsetup();\n";

    // Only the first import line is blanked; a second one stays and makes the
    // text a syntax error.
    size_t at = text.find(kImport);
    if (at != std::string::npos) {
        text.replace(at, std::strlen(kImport), " ");
    }

    // "Q.S." is an alternative spelling of the natives' prefix. A replacement
    // ends in "_", which cannot start or continue a new occurrence, so one
    // forward scan leaves the same text as searching again from the start
    // after every replacement.
    at = 0;
    while ((at = text.find(kQualifiedPrefix, at)) != std::string::npos) {
        text.replace(at, std::strlen(kQualifiedPrefix), kNativePrefix);
        at += std::strlen(kNativePrefix);
    }

    // Any mention at all, even in a comment or a string, counts as a
    // definition. Declarations are hoisted, so the defaults exist before the
    // setup() call above runs.
    if (text.find("preRender") == std::string::npos) {
        text += "function preRender(w,h) {};";
    }
    if (text.find("updateUIFlags") == std::string::npos) {
        text += "function updateUIFlags() {};";
    }
    return text;
}
