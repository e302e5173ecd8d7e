#pragma once
// The block of sequence data the host keeps for each effect instance: 8192
// bytes, zero-filled when made, stored zero-filled in projects.

#include <cstddef>
#include <cstdint>

#include "HostInterface.h"
#include "host/InstanceRecord.h"

struct SequenceData {
    std::uint32_t lastWidth;   // size and depth of the last render, recorded only
    std::uint32_t lastHeight;  // when recordOutput is set
    std::uint32_t lastDepth;
    std::uint32_t compWidth;  // the composition, from frame set-up and pre-render
    std::uint32_t compHeight;
    std::uint8_t zero20[4];
    std::uint8_t recordOutput;
    std::uint8_t resetUp;  // 1 after a re-set-up
    std::uint8_t zero26[6];
    InstanceRecord* record;  // valid only in the process that made it
    float compPixelAspect;
    std::uint8_t zero44[8148];
};
static_assert(sizeof(SequenceData) == 8192, "sequence data is an 8192-byte block");
static_assert(offsetof(SequenceData, recordOutput) == 24, "layout of the sequence data");
static_assert(offsetof(SequenceData, record) == 32, "layout of the sequence data");
static_assert(offsetof(SequenceData, compPixelAspect) == 40, "layout of the sequence data");

// The block behind the host's sequence-data handle, read without locking it as
// the host allows for blocks it keeps for the effect; null when there is none.
inline SequenceData* sequenceDataOf(PF_Handle handle) {
    return handle ? reinterpret_cast<SequenceData*>(*handle) : nullptr;
}

// Makes the instance of the command's sequence data current in the plug-in
// object and the render context; returns the block (null without one).
SequenceData* makeSequenceCurrent(const PF_InData* in_data);
