#pragma once
// A block of host memory laid out byte by byte: every byte starts as the
// canary, so that a value the module was never given is recognisable (and a
// pointer read from it, 0xA5A5A5A5A5A5A5A5, is not an address), and guard
// bytes follow the block, so that a write past its end is caught.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "RawLayout.h"

constexpr std::uint8_t kCanary = 0xA5;
constexpr std::size_t kGuardBytes = 64;

class ByteBlock {
public:
    ByteBlock(std::string name, std::size_t size);

    const std::string& name() const { return name_; }
    std::size_t size() const { return size_; }
    std::uint8_t* data() { return bytes(); }
    const std::uint8_t* data() const { return bytes(); }

    template <class T>
    void put(std::size_t offset, T value) {
        std::memcpy(bytes() + offset, &value, sizeof value);
    }
    void putPointer(std::size_t offset, const void* pointer) { put(offset, pointer); }
    template <class T>
    T get(std::size_t offset) const {
        T value;
        std::memcpy(&value, bytes() + offset, sizeof value);
        return value;
    }

    // The first guard byte that was written, or -1 when the guard is intact.
    long firstWriteBeyond() const;
    // The block's bytes as they are now, to compare with later.
    std::vector<std::uint8_t> snapshot() const;

private:
    std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(storage_.data()); }
    const std::uint8_t* bytes() const {
        return reinterpret_cast<const std::uint8_t*>(storage_.data());
    }

    std::string name_;
    std::size_t size_;
    std::vector<std::uint64_t> storage_;  // 8-byte aligned, as the host's structures are
};

// The fields (as the facts name them) that hold the bytes in which `before`
// and `after` differ, each as "name (bytes a..b)"; bytes no field names are
// listed by their offsets.
std::vector<std::string> changedFields(const std::vector<std::uint8_t>& before,
                                       const std::uint8_t* after, const raw::Field* fields,
                                       std::size_t fieldCount);
