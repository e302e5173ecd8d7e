#pragma once
// The registry of one entity kind: entities live by value in an ordered map
// keyed by handle, so an entity's address stays valid until its release and
// handles come back in ascending order.

#include <cstdint>
#include <iterator>
#include <map>

#include "entities/Factory.h"

// The process-wide entity a lookup yields for an unregistered handle, so that
// a lookup never gives a null reference. Its GL names are 0, which makes every
// GL operation on it a no-op. A kind may specialise it (parameters do).
template <typename T>
T& nullEntity() {
    static T entity;
    return entity;
}

template <typename T, std::uint32_t idBase>
class EntityFactory : public Factory {
public:
    // Hands out the smallest free handle above the base. The entity is
    // default-constructed in place; the caller initialises it right away.
    std::uint32_t create() override {
        std::uint32_t candidate = idBase + 1;
        auto next = entities.lower_bound(candidate);
        while (next != entities.end() && next->first == candidate) {
            ++candidate;
            ++next;
        }
        entities.try_emplace(next, candidate);
        return candidate;
    }

    void release(std::uint32_t handle) override { entities.erase(handle); }

    T& lookup(std::uint32_t handle) {
        auto found = entities.find(handle);
        return found != entities.end() ? found->second : nullEntity<T>();
    }

    std::uint32_t count() const { return static_cast<std::uint32_t>(entities.size()); }

    // The entity at a 0-based position in ascending handle order.
    const T& at(std::uint32_t position) const {
        if (position >= entities.size()) {
            return nullEntity<T>();
        }
        return std::next(entities.begin(), position)->second;
    }

private:
    std::map<std::uint32_t, T> entities;
};
