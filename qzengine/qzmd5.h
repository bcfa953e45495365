// The MD5 digest of byte spans taken one after another, as if they were one.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

// Throws std::bad_alloc when the system cannot set up a digest.
std::array<uint8_t, 16> qzMD5Digest(std::initializer_list<std::span<const uint8_t>> parts);
