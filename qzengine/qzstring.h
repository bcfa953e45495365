// The engine's byte string: counted, always zero-terminated, growing by powers of two.
#pragma once

#include <cstdint>

// A text passed by reference: data and length, not owning, not zero-terminated.
struct qzStringRef {
    static qzStringRef FromText(const char* text);

    // The index of the first occurrence at or after start, or NOTFOUND; the second form only finds
    // occurrences that end within count bytes from start.
    uint32_t Find(qzStringRef pattern, uint32_t start) const;
    uint32_t Find(qzStringRef pattern, uint32_t start, uint32_t count) const;

    static constexpr uint32_t NOTFOUND = 0xFFFFFFFF;

    const char* data;
    uint32_t length;
};

struct qzIntegerFormat {
    bool plus = false;      // a plus sign before positive values, never before 0
    bool signfirst = false; // with padding, the sign before the pad characters
    bool uppercase = false;
    uint32_t radix = 10; // 2 to 36; anything else means 10
    uint32_t width = 0;  // minimum number of characters, sign included
    uint32_t group = 0;  // digits per group, 0 for none
    char pad = 0;        // a zero pad character pads with spaces
    char separator = 0;  // a zero separator separates nothing
};

struct qzHexFormat {
    bool uppercase = false;
    uint32_t width = 0;
    uint32_t group = 0; // bytes per group, 0 for none
    char pad = ' ';
    char separator = ' ';
};

enum qzDoubleNotation : uint32_t {
    QZNOTATION_FIXED = 0,
    QZNOTATION_SCIENTIFIC = 1,
    QZNOTATION_ENGINEERING = 2,
    QZNOTATION_GENERAL = 3,
    QZNOTATION_GENERAL_ENGINEERING = 4,
};

struct qzDoubleFormat {
    uint32_t notation = QZNOTATION_FIXED;
    uint32_t mindigits = 0; // fraction digits kept even when they are trailing zeros
    uint32_t maxdigits = 6; // fraction digits at most
    uint32_t width = 0;
    char pad = ' ';
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

    void AppendInt(int32_t value, const qzIntegerFormat& format = {});
    void AppendUInt(uint32_t value, const qzIntegerFormat& format = {});
    void AppendHex(const void* bytes, uint32_t count, const qzHexFormat& format = {});
    void AppendHex32(uint32_t value, bool uppercase = false);
    void AppendDouble(double value, const qzDoubleFormat& format = {});

    bool operator==(const qzString& other) const;
    bool operator==(const char* text) const;

private:
    uint32_t length;
    uint32_t capacity;
    char* data;
};
