// Numbers as a binary file stores them, little or big endian: loaded from and stored at any address (through
// memcpy, so that alignment never matters), their bytes turned when the file's order is not the machine's.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

template <typename T> T pw2_SwapBytes(T bits) {
    if constexpr (sizeof(T) == 1)
        return bits;
    else if constexpr (sizeof(T) == 2)
        return __builtin_bswap16(bits);
    else if constexpr (sizeof(T) == 4)
        return __builtin_bswap32(bits);
    else
        return __builtin_bswap64(bits);
}

template <size_t N> struct pw2_UnsignedOf;
template <> struct pw2_UnsignedOf<1> { using type = uint8_t; };
template <> struct pw2_UnsignedOf<2> { using type = uint16_t; };
template <> struct pw2_UnsignedOf<4> { using type = uint32_t; };
template <> struct pw2_UnsignedOf<8> { using type = uint64_t; };

// The T whose sizeof(T) bytes at p are in the file's order.
template <typename T, bool BIGENDIAN> T pw2_LoadNumber(const char* p) {
    typename pw2_UnsignedOf<sizeof(T)>::type bits;
    std::memcpy(&bits, p, sizeof(T));
    if constexpr (BIGENDIAN != (std::endian::native == std::endian::big))
        bits = pw2_SwapBytes(bits);
    return std::bit_cast<T>(bits);
}

// Stores value at p in the file's order; returns the address after it.
template <bool BIGENDIAN, typename T> char* pw2_StoreNumber(char* p, T value) {
    auto bits = std::bit_cast<typename pw2_UnsignedOf<sizeof(T)>::type>(value);
    if constexpr (BIGENDIAN != (std::endian::native == std::endian::big))
        bits = pw2_SwapBytes(bits);
    std::memcpy(p, &bits, sizeof(T));
    return p + sizeof(T);
}
