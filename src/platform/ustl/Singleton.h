#pragma once
// Process-wide singletons. static_singleton keeps its object in a
// function-local static (created on first use, thread-safely, destroyed at
// unload); dynamic_singleton allocates its object on the heap on first use and
// deletes it at unload.

#include <memory>

namespace ustl {

template <class T>
class static_singleton {
public:
    static T& instance() {
        static T object;
        return object;
    }

protected:
    static_singleton() = default;
    ~static_singleton() = default;
};

template <class T>
class dynamic_singleton {
public:
    static T& instance() {
        static std::unique_ptr<T> object(new T());
        return *object;
    }

protected:
    dynamic_singleton() = default;
    ~dynamic_singleton() = default;
};

}  // namespace ustl
