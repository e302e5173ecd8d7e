#pragma once
// Where a script error lies in fx.js. The engine evaluates one text made of
// its prelude, fx.js and a bootstrap that calls setup(), and its errors count
// lines in that text; frame and interface commands evaluate short calls of
// their own ("draw();"), whose errors name line 1 of the call.

#include <string>

#include "script/ScriptError.h"

struct ScriptLocation {
    enum Place { InScript, InSetupCall, Elsewhere };
    Place place = Elsewhere;
    // The fx.js line for InScript, else 0.
    int line = 0;
    // The error's message without the line the engine appends to syntax
    // errors, which counts in the full text.
    std::string message;
};

ScriptLocation locateScriptError(const ScriptError& error, const std::string& script);
