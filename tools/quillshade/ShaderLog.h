#pragma once
// A GL compile log in the author's terms, indented for the check's report.
// GL counts lines through everything the engine compiles (see
// FragmentAssembly.h); log lines that start with a position ("0:7(12):
// error: ..." or "0(7) : error ...") are given the position in the author's
// file instead.

#include <string>

// `log` as GL wrote it for the shader compiled from `source`; `file` names
// the author's file in the result. Every line of the result is indented by
// four spaces; lines are joined by line feeds, with none at the end.
std::string authorShaderLog(const std::string& log, const std::string& source,
                            const std::string& file);
