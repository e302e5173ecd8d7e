#pragma once
// Host memory handles: relocatable blocks the effect locks to reach their
// bytes. A handle points at the cell that holds the block's address.

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "HostInterface.h"

class HostHandles {
public:
    // A new zero-filled block, or null when allocation is refused (see failAllocations).
    PF_Handle allocate(std::uint64_t size);
    void* lock(PF_Handle handle);
    void unlock(PF_Handle handle);
    void dispose(PF_Handle handle);

    bool owns(PF_Handle handle) const { return blocks_.count(handle) != 0; }
    std::size_t liveCount() const { return blocks_.size(); }
    std::uint64_t liveBytes() const;
    int lockCount(PF_Handle handle) const;
    // A copy of a block's bytes, for tests and for saving projects.
    std::vector<std::uint8_t> bytes(PF_Handle handle) const;

    // How often the effect disposed of a handle the host never gave out.
    int unknownDisposals() const { return unknownDisposals_; }

    // The next `count` allocations fail, as when the host runs out of memory.
    void failAllocations(int count) { failures_ = count; }

private:
    struct Block {
        char* data = nullptr;  // must stay first: the handle points here
        std::vector<char> storage;
        int locks = 0;
    };
    std::map<PF_Handle, std::unique_ptr<Block>> blocks_;
    int failures_ = 0;
    int unknownDisposals_ = 0;
};
