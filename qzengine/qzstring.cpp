#include "qzstring.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

// Every string without a buffer of its own points here; it is never written or freed.
char sharedEmpty[1] = {0};

} // namespace

qzString::qzString() : length(0), capacity(0), data(sharedEmpty) {}

qzString::qzString(const char* text) : qzString() { Append(text); }

qzString::qzString(const qzString& other) : qzString() { Append(other.data, other.length); }

qzString::qzString(qzString&& other) noexcept : length(other.length), capacity(other.capacity), data(other.data) {
    other.length = 0;
    other.capacity = 0;
    other.data = sharedEmpty;
}

qzString& qzString::operator=(const qzString& other) {
    if (this != &other) {
        Resize(0);
        Append(other.data, other.length);
    }
    return *this;
}

qzString& qzString::operator=(qzString&& other) noexcept {
    std::swap(length, other.length);
    std::swap(capacity, other.capacity);
    std::swap(data, other.data);
    return *this;
}

qzString::~qzString() {
    if (capacity != 0)
        std::free(data);
}

void qzString::Resize(uint32_t n) {
    if (n < capacity && static_cast<uint64_t>(n) + 16 >= capacity / 2) {
        length = n;
        data[n] = 0;
        return;
    }
    // The smallest power of two above n with its five low bits set: at least 32 bytes.
    uint64_t wanted = static_cast<uint64_t>(n) | 31;
    uint64_t size = 32;
    while (size <= wanted)
        size <<= 1;
    if (size > 0x80000000u)
        throw std::bad_alloc();
    char* fresh = static_cast<char*>(std::malloc(size));
    if (fresh == nullptr)
        throw std::bad_alloc();
    uint32_t kept = n < length ? n : length;
    std::memcpy(fresh, data, kept);
    fresh[n] = 0;
    if (capacity != 0)
        std::free(data);
    data = fresh;
    capacity = static_cast<uint32_t>(size);
    length = n;
}

void qzString::Append(const void* bytes, uint32_t count) {
    if (count == 0)
        return;
    uint32_t at = length;
    if (static_cast<uint64_t>(at) + count > 0xFFFFFFFFu)
        throw std::bad_alloc();
    // The bytes may lie inside this string's own buffer, which Resize can move.
    if (bytes >= data && bytes < data + length) {
        uint32_t offset = static_cast<uint32_t>(static_cast<const char*>(bytes) - data);
        Resize(at + count);
        std::memmove(data + at, data + offset, count);
        return;
    }
    Resize(at + count);
    std::memcpy(data + at, bytes, count);
}

void qzString::Append(const qzString& other) { Append(other.data, other.length); }

void qzString::Append(const char* text) { Append(text, static_cast<uint32_t>(std::strlen(text))); }

void qzString::Append(char byte) { Append(&byte, 1); }

bool qzString::operator==(const qzString& other) const {
    return length == other.length && std::memcmp(data, other.data, length) == 0;
}

bool qzString::operator==(const char* text) const {
    size_t n = std::strlen(text);
    return n == length && std::memcmp(data, text, n) == 0;
}
