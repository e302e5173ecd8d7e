#pragma once
// The COFF symbol table of a module whose sections were moved.
//
// MinGW's linker leaves the symbol and string tables at the end of a module
// built with debug information; the string table also holds the long names
// of its debug sections. Windows' resource update grows .rsrc in place and
// moves every later section and that tail along, but leaves the header's
// pointer to the symbol table where it was, so tools that read the module
// (objdump, debuggers) find neither symbols nor section names.

#include <cstdint>
#include <vector>

// Points `updated`'s header at the symbol table again when the tail of
// `original` from its symbol table on is the tail of `updated`; clears the
// pointer when that tail is gone. Leaves modules without symbols alone.
void followMovedSymbolTable(const std::vector<std::uint8_t>& original,
                            std::vector<std::uint8_t>& updated);
