#include "CallbackTable.h"

#include "Report.h"

namespace {

std::string tableNames[kTableCount];

}  // namespace

CallbackTable::CallbackTable(int table, std::string name, std::size_t size, const Trap* traps,
                             int slots)
    : block_(name, size) {
    tableNames[table] = std::move(name);
    for (int slot = 0; slot < slots; ++slot) set(slot, reinterpret_cast<void*>(traps[slot]));
}

std::string describeSlot(int table, int slot) {
    if (table == kUtil) {
        const int first = static_cast<int>(raw::PF_UtilCallbacks::ansi / 8);
        const int count = static_cast<int>(raw::PF_ANSICallbacks::size / 8);
        if (slot >= first && slot < first + count) {
            return "PF_UtilCallbacks.ansi (PF_ANSICallbacks) slot " + std::to_string(slot - first);
        }
    }
    return tableNames[table] + " slot " + std::to_string(slot);
}

std::intptr_t trapped(int table, int slot) {
    Report::get().fail("trap: " + describeSlot(table, slot) + " called");
    return static_cast<std::intptr_t>(raw::constants::PF_Err_INTERNAL_STRUCT_DAMAGED);
}
