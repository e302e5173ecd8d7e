#pragma once
// What the host's sequence data of one effect instance points at: the index of
// the instance's Sequence in the render context. A 12-byte block, zero-filled
// when made.

#include <cstdint>

struct InstanceRecord {
    std::uint32_t instanceIndex;
    std::uint8_t reserved[8];
};
static_assert(sizeof(InstanceRecord) == 12, "an instance record is a 12-byte block");
