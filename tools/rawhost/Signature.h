#pragma once
// The shape of a function as the facts write it, "4(p4444p)": the result and
// then the parameters, a digit for an integer of that many bytes, p for a
// pointer, d and f for double and float, v for void, '.' for variadic. The
// raw host's callbacks are checked against the facts' shapes at compile time.

#include <cstddef>
#include <type_traits>

template <class T>
constexpr char shapeCode() {
    if constexpr (std::is_void_v<T>)
        return 'v';
    else if constexpr (std::is_pointer_v<T>)
        return 'p';
    else if constexpr (std::is_same_v<T, double>)
        return 'd';
    else if constexpr (std::is_same_v<T, float>)
        return 'f';
    else
        return static_cast<char>('0' + sizeof(T));
}

template <class F>
struct Shape;

template <class R, class... A>
struct Shape<R (*)(A...)> {
    static constexpr char text[] = {shapeCode<R>(), '(', shapeCode<A>()..., ')', '\0'};
};

template <class R, class... A>
struct Shape<R (*)(A..., ...)> {
    static constexpr char text[] = {shapeCode<R>(), '(', shapeCode<A>()..., '.', ')', '\0'};
};

constexpr bool sameShape(const char* a, const char* b) {
    for (std::size_t i = 0;; ++i) {
        if (a[i] != b[i])
            return false;
        if (a[i] == '\0')
            return true;
    }
}

// Puts `function` into `table` at the slot the facts give `Facts::name`,
// after checking at compile time that it has the facts' shape.
#define RAW_INSTALL(table, Facts, name, function)                                              \
    do {                                                                                       \
        static_assert(sameShape(Shape<decltype(&function)>::text, Facts::sig::name),           \
                      #function " does not have the shape the facts give " #Facts "::" #name); \
        (table).set(Facts::slot::name, reinterpret_cast<void*>(&function));                    \
    } while (false)
