#pragma once
// The host's memory handles: a handle is the address of a master pointer that
// the host owns, the master pointer the address of the block, which is
// followed by guard bytes.

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "ByteBlock.h"

class HandleTable {
public:
    // A new block of `size` bytes, canary-filled as fresh host memory is.
    void* allocate(std::uint64_t size);
    bool owns(const void* handle) const { return live_.count(handle) != 0; }
    // The block's bytes; null for a handle that is not live.
    std::uint8_t* block(const void* handle);
    std::uint64_t size(const void* handle) const;
    void dispose(const void* handle);
    // Fails the run for each live block whose guard bytes were written.
    void checkGuards() const;

private:
    struct Entry {
        std::unique_ptr<void*> master;
        std::unique_ptr<ByteBlock> block;
    };
    std::map<const void*, Entry> live_;
    int made_ = 0;
};
