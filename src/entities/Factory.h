#pragma once
// The kind-independent face of an entity registry, through which the render
// context creates and releases entities without knowing their class.

#include <cstdint>

class Factory {
public:
    Factory() = default;
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;
    virtual ~Factory() = default;

    // Registers a new entity and returns its handle; 0 means no entity.
    virtual std::uint32_t create() { return 0; }
    // Destroys the entity registered under `handle`, if there is one.
    virtual void release(std::uint32_t /*handle*/) {}
};
