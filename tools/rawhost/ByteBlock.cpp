#include "ByteBlock.h"

ByteBlock::ByteBlock(std::string name, std::size_t size)
    : name_(std::move(name)), size_(size), storage_((size + kGuardBytes + 7) / 8) {
    std::memset(bytes(), kCanary, size + kGuardBytes);
}

long ByteBlock::firstWriteBeyond() const {
    for (std::size_t i = 0; i < kGuardBytes; ++i)
        if (bytes()[size_ + i] != kCanary)
            return static_cast<long>(size_ + i);
    return -1;
}

std::vector<std::uint8_t> ByteBlock::snapshot() const {
    return std::vector<std::uint8_t>(bytes(), bytes() + size_);
}

std::vector<std::string> changedFields(const std::vector<std::uint8_t>& before,
                                       const std::uint8_t* after, const raw::Field* fields,
                                       std::size_t fieldCount) {
    std::vector<std::string> names;
    std::size_t i = 0;
    while (i < before.size()) {
        if (before[i] == after[i]) {
            ++i;
            continue;
        }
        // The innermost named field that holds byte i: the smallest one.
        const raw::Field* holder = nullptr;
        for (std::size_t f = 0; f < fieldCount; ++f) {
            const raw::Field& field = fields[f];
            if (field.offset <= i && i < field.offset + field.size &&
                (!holder || field.size < holder->size))
                holder = &field;
        }
        const std::size_t first = holder ? holder->offset : i;
        std::size_t end = holder ? holder->offset + holder->size : i + 1;
        // Bytes that no field names are reported as one run.
        while (!holder && end < before.size() && before[end] != after[end]) {
            bool named = false;
            for (std::size_t f = 0; f < fieldCount; ++f)
                named |= fields[f].offset <= end && end < fields[f].offset + fields[f].size;
            if (named)
                break;
            ++end;
        }
        names.push_back(std::string(holder ? holder->name : "unnamed") + " (bytes " +
                        std::to_string(first) + ".." + std::to_string(end - 1) + ")");
        i = end;
    }
    return names;
}
