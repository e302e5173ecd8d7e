#include "HandleTable.h"

#include "Report.h"

void* HandleTable::allocate(std::uint64_t size) {
    Entry entry;
    entry.block = std::make_unique<ByteBlock>(
        "handle " + std::to_string(++made_) + " (" + std::to_string(size) + " bytes)",
        static_cast<std::size_t>(size));
    entry.master = std::make_unique<void*>(entry.block->data());
    void* handle = entry.master.get();
    live_.emplace(handle, std::move(entry));
    return handle;
}

std::uint8_t* HandleTable::block(const void* handle) {
    auto found = live_.find(handle);
    return found == live_.end() ? nullptr : found->second.block->data();
}

std::uint64_t HandleTable::size(const void* handle) const {
    auto found = live_.find(handle);
    return found == live_.end() ? 0 : found->second.block->size();
}

void HandleTable::dispose(const void* handle) {
    live_.erase(handle);
}

void HandleTable::checkGuards() const {
    for (const auto& entry : live_) {
        const long beyond = entry.second.block->firstWriteBeyond();
        Report::get().check(beyond < 0, "write past " + entry.second.block->name() + " at byte " +
                                            std::to_string(beyond));
    }
}
