# cmake -DINPUT=FILE -DOUTPUT=FILE.cpp -DSYMBOL=kName -P EmbedFile.cmake
# Writes a C++ source that defines `SYMBOL` (the file's bytes, with a zero
# after them) and `SYMBOL`Size (their count).
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${content}")
file(WRITE "${OUTPUT}.tmp"
    "// Generated from ${INPUT}.\n#include <cstddef>\n"
    "extern const char ${SYMBOL}[] = {${bytes}0};\n"
    "extern const std::size_t ${SYMBOL}Size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
