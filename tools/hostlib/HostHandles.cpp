#include "HostHandles.h"

PF_Handle HostHandles::allocate(std::uint64_t size) {
    if (failures_ > 0) {
        --failures_;
        return nullptr;
    }
    auto block = std::make_unique<Block>();
    block->storage.assign(size, 0);
    block->data = block->storage.data();
    PF_Handle handle = &block->data;
    blocks_.emplace(handle, std::move(block));
    return handle;
}

void* HostHandles::lock(PF_Handle handle) {
    auto it = blocks_.find(handle);
    if (it == blocks_.end())
        return nullptr;
    ++it->second->locks;
    return it->second->data;
}

void HostHandles::unlock(PF_Handle handle) {
    auto it = blocks_.find(handle);
    if (it != blocks_.end() && it->second->locks > 0)
        --it->second->locks;
}

void HostHandles::dispose(PF_Handle handle) {
    // A handle the host never gave out is a fault of the effect; the host
    // notes it rather than crash, as a tolerant host would.
    if (handle && !blocks_.erase(handle))
        ++unknownDisposals_;
}

std::uint64_t HostHandles::liveBytes() const {
    std::uint64_t bytes = 0;
    for (const auto& [handle, block] : blocks_) bytes += block->storage.size();
    return bytes;
}

int HostHandles::lockCount(PF_Handle handle) const {
    auto it = blocks_.find(handle);
    return it == blocks_.end() ? 0 : it->second->locks;
}

std::vector<std::uint8_t> HostHandles::bytes(PF_Handle handle) const {
    auto it = blocks_.find(handle);
    if (it == blocks_.end())
        return {};
    return std::vector<std::uint8_t>(it->second->storage.begin(), it->second->storage.end());
}
