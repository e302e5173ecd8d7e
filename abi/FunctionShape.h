#pragma once
// A function type written as the host's facts write it: the result, then the
// parameters in parentheses; an integer or enumeration is its size in bytes,
// p a pointer, d and f double and float, v void, '.' the variadic tail
// ("4(p4444p)"). Shared by the build-time check of HostInterface.h and by the
// raw host, which compare their function types with the facts at compile time.

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
    else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>)
        return static_cast<char>('0' + sizeof(T));
    else
        return '?';
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
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

template <class F>
constexpr bool hasShape(const char* expected) {
    return sameShape(Shape<F>::text, expected);
}
