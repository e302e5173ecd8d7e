#pragma once
// What the engine reported when an evaluation failed. The engine swallows
// script errors; this record only lets a tool tell an author what went wrong.

#include <string>

struct ScriptError {
    // The error value converted to a string, e.g. "ReferenceError: identifier
    // 'x' undefined"; empty when nothing failed.
    std::string message;
    // The line of the evaluated text that the error names, 0 when it names
    // none. Lines count in the full text, so a loaded script's lines are
    // offset by the prelude's.
    int line = 0;
};
