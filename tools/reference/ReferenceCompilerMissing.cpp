// The tool without the reference front end: nothing to compile with.
#include "ReferenceCompiler.h"

bool ReferenceCompiler::available() {
    return false;
}

std::vector<ReferenceMessage> ReferenceCompiler::errors(const std::string&) {
    return {};
}
