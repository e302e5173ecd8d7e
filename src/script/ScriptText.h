#pragma once
// The text that one script load evaluates: a fixed prelude that defines the
// script interface's constant objects, the effect's script, the bootstrap call
// of setup(), and empty defaults for the optional entry functions.

#include <string>

// The prelude: QS_Type, QS_GL and QS_ParamFlags as script globals.
extern const char kScriptPrelude[];

// The full text to evaluate for one load of `script`.
std::string buildScriptText(const std::string& script);
