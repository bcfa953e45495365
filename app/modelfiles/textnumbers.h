// Numbers in the text of a model file, as every text reader takes them: parsed by fast_float (never strtod or
// sscanf, which are slower and follow the locale), with a leading '+' that fast_float does not take, and the
// checks that follow a parse.
#pragma once

#include <fast_float/fast_float.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <type_traits>

inline bool pw2_IsDigit(char c) {
    return unsigned(c - '0') < 10;
}

// Past a '+' that begins a number, which neither fast_float nor from_chars takes; one before a '-' stays (and
// fails the parse), so that "+inf" reads as "inf" does and "+-1" reads as nothing.
inline const char* pw2_SkipPlus(const char* first, const char* last) {
    return last - first > 1 && *first == '+' && first[1] != '-' ? first + 1 : first;
}

// The number that begins at first; the caller checks what follows it, at result.ptr.
template <typename T>
fast_float::from_chars_result pw2_ParseNumber(const char* first, const char* last, T& value) {
    return fast_float::from_chars(pw2_SkipPlus(first, last), last, value);
}

// Whether the whole word is a number (a whole number for an integer T), which goes to value.
template <typename T> bool pw2_ParseWord(std::string_view word, T& value) {
    const char* last = word.data() + word.size();
    const char* first = pw2_SkipPlus(word.data(), last);
    auto result = [&] {
        if constexpr (std::is_floating_point_v<T>)
            return fast_float::from_chars(first, last, value);
        else
            return std::from_chars(first, last, value);
    }();
    return result.ptr == last && result.ec == std::errc();
}

template <typename T> bool pw2_IsFinite(T x, T y, T z) {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z);
}
