// The engine's byte string: counted, always zero-terminated, growing by powers of two.
#pragma once

#include <cstdint>

// A text passed by reference: data and length, not owning, not zero-terminated.
struct qzStringRef {
    const char* data;
    uint32_t length;
};

class qzString {
public:
    qzString();
    qzString(const char* text);
    qzString(const qzString& other);
    qzString(qzString&& other) noexcept;
    qzString& operator=(const qzString& other);
    qzString& operator=(qzString&& other) noexcept;
    ~qzString();

    void Resize(uint32_t n);
    void Clear() { Resize(0); }

    void Append(const qzString& other);
    void Append(const char* text);
    void Append(char byte);
    void Append(const void* bytes, uint32_t count);

    uint32_t GetLength() const { return length; }
    uint32_t GetCapacity() const { return capacity; }
    bool IsEmpty() const { return length == 0; }
    const char* GetData() const { return data; }
    char* GetData() { return data; }
    const char* c_str() const { return data; }
    qzStringRef Ref() const { return {data, length}; }
    char operator[](uint32_t i) const { return data[i]; }

    bool operator==(const qzString& other) const;
    bool operator==(const char* text) const;

private:
    uint32_t length;
    uint32_t capacity;
    char* data;
};
