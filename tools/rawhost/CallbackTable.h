#pragma once
// A table of function pointers as the host lays one out (a callback
// structure or a suite): every slot holds a trap of its own, which reports the
// table and slot it sits in and fails the run, until the host puts one of its
// functions there. Only the slots the facts name for a used function get one,
// so a module that calls through any other slot is caught at that slot.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "ByteBlock.h"

// The tables the raw host hands out; each one's traps are their own functions.
enum TableId {
    kInteract,
    kUtil,
    kBasic,
    kPreRender,
    kSmartRender,
    kHandleSuite,
    kAegpUtilitySuite,
    kAegpPFInterfaceSuite,
    kAegpLayerSuite,
    kAegpCompSuite,
    kAegpItemSuite,
    kWorldSuite,
    kPixelDataSuite,
    kColorParamSuite,
    kParamUtilsSuite,
    kEffectUISuite,
    kPixelFormatSuite,
    kSequenceInfoSuite,
    kPFUtilitySuite,
    kTableCount
};

using Trap = std::intptr_t (*)();

// Reports a call through an unused slot; the result makes most callers fail.
std::intptr_t trapped(int table, int slot);

template <int Table, int Slot>
std::intptr_t trap() {
    return trapped(Table, Slot);
}

template <int Table, std::size_t... Slots>
const Trap* trapsOf(std::index_sequence<Slots...>) {
    static const Trap traps[] = {&trap<Table, static_cast<int>(Slots)>...};
    return traps;
}

class CallbackTable {
public:
    // A table of `Slots` slots (its size in bytes is `size`, at least 8 x Slots).
    template <int Table, int Slots>
    static CallbackTable make(std::string name, std::size_t size) {
        return CallbackTable(Table, std::move(name), size,
                             trapsOf<Table>(std::make_index_sequence<Slots>()), Slots);
    }

    void set(int slot, void* function) {
        block_.putPointer(8 * static_cast<std::size_t>(slot), function);
    }
    ByteBlock& block() { return block_; }
    const ByteBlock& block() const { return block_; }
    void* data() { return block_.data(); }

private:
    CallbackTable(int table, std::string name, std::size_t size, const Trap* traps, int slots);

    ByteBlock block_;
};

// Describes a slot for a report: "PF_UtilCallbacks slot 3", or for the
// ANSI table inside the utility callbacks "PF_UtilCallbacks.ansi
// (PF_ANSICallbacks) slot 15".
std::string describeSlot(int table, int slot);
