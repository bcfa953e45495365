#include "qzstring.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

// Every string without a buffer of its own points here; it is never written or freed.
char sharedEmpty[1] = {0};

} // namespace

qzString::qzString() : length(0), capacity(0), data(sharedEmpty) {}

qzString::qzString(const char* text) : qzString() {
    Append(text);
}

qzString::qzString(const qzString& other) : qzString() {
    Append(other.data, other.length);
}

qzString::qzString(qzString&& other) noexcept
    : length(other.length), capacity(other.capacity), data(other.data) {
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

void qzString::Append(const qzString& other) {
    Append(other.data, other.length);
}

void qzString::Append(const char* text) {
    Append(text, static_cast<uint32_t>(std::strlen(text)));
}

void qzString::Append(char byte) {
    Append(&byte, 1);
}

bool qzString::operator==(const qzString& other) const {
    return length == other.length && std::memcmp(data, other.data, length) == 0;
}

bool qzString::operator==(const char* text) const {
    size_t n = std::strlen(text);
    return n == length && std::memcmp(data, text, n) == 0;
}

namespace {

const char lowerDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
const char upperDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

void AppendRepeated(qzString& s, char c, uint32_t n) {
    uint32_t at = s.GetLength();
    s.Resize(at + n);
    std::memset(s.GetData() + at, c, n);
}

// Digits of a magnitude with their group separators, most significant first, into buffer; returns the count.
uint32_t FormatMagnitude(uint32_t magnitude, const qzIntegerFormat& format, char* buffer) {
    const char* digits = format.uppercase ? upperDigits : lowerDigits;
    uint32_t radix = format.radix >= 2 && format.radix <= 36 ? format.radix : 10;
    char reversed[80];
    uint32_t n = 0;
    uint32_t ingroup = 0;
    do {
        reversed[n++] = digits[magnitude % radix];
        magnitude /= radix;
        if (format.group != 0 && ++ingroup == format.group && magnitude != 0) {
            if (format.separator != 0)
                reversed[n++] = format.separator;
            ingroup = 0;
        }
    } while (magnitude != 0);
    for (uint32_t i = 0; i < n; ++i)
        buffer[i] = reversed[n - 1 - i];
    return n;
}

void AppendSigned(qzString& s, char sign, uint32_t magnitude, const qzIntegerFormat& format) {
    char digits[80];
    uint32_t n = FormatMagnitude(magnitude, format, digits);
    char pad = format.pad != 0 ? format.pad : ' ';
    if (sign == 0) {
        if (n < format.width)
            AppendRepeated(s, pad, format.width - n);
    } else if (n + 1 >= format.width) {
        s.Append(sign);
    } else if (format.signfirst) {
        s.Append(sign);
        AppendRepeated(s, pad, format.width - n - 1);
    } else {
        AppendRepeated(s, pad, format.width - n - 1);
        s.Append(sign);
    }
    s.Append(digits, n);
}

// 10^k, exact for 0 <= k <= 27 where the table holds it.
long double PowerOfTen(int k) {
    static const long double table[28] = {
        1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
        1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
    return k >= 0 && k < 28 ? table[k] : std::pow(10.0L, k);
}

// magnitude * 10^k; a negative k divides by the exact power rather than multiplying by a rounded one.
long double ScaleByPowerOfTen(long double magnitude, int k) {
    return k >= 0 ? magnitude * PowerOfTen(k) : magnitude / PowerOfTen(-k);
}

// The decimal exponent of a finite, non-zero magnitude, corrected where log10 rounds across a power of ten.
int DecimalExponent(long double magnitude) {
    int e = static_cast<int>(std::floor(std::log10(static_cast<double>(magnitude))));
    if (ScaleByPowerOfTen(magnitude, -e) < 1)
        --e;
    else if (ScaleByPowerOfTen(magnitude, -e) >= 10)
        ++e;
    return e;
}

// The decimal digits of value, zero-padded to at least width, into buffer; returns the count.
int FormatDecimal(uint64_t value, int width, char* buffer) {
    char reversed[24];
    int n = 0;
    do {
        reversed[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    int zeros = width > n ? width - n : 0;
    std::memset(buffer, '0', zeros);
    for (int i = 0; i < n; ++i)
        buffer[zeros + i] = reversed[n - 1 - i];
    return zeros + n;
}

int FloorToMultipleOf3(int e) {
    return e >= 0 ? e / 3 * 3 : -((-e + 2) / 3 * 3);
}

void AppendPadded(qzString& s, const char* text, const qzDoubleFormat& format) {
    uint32_t n = static_cast<uint32_t>(std::strlen(text));
    uint32_t width = format.width < 50 ? format.width : 50;
    if (n < width)
        AppendRepeated(s, format.pad, width - n);
    s.Append(text, n);
}

} // namespace

void qzString::AppendInt(int32_t value, const qzIntegerFormat& format) {
    // The most negative value has no positive counterpart: its magnitude is taken unsigned.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char sign = value < 0 ? '-' : (value > 0 && format.plus ? '+' : 0);
    AppendSigned(*this, sign, magnitude, format);
}

void qzString::AppendUInt(uint32_t value, const qzIntegerFormat& format) {
    AppendSigned(*this, value > 0 && format.plus ? '+' : 0, value, format);
}

void qzString::AppendHex(const void* bytes, uint32_t count, const qzHexFormat& format) {
    const char* digits = format.uppercase ? upperDigits : lowerDigits;
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    uint64_t separators = format.group != 0 && count != 0 ? (count - 1) / format.group : 0;
    uint64_t n = 2ull * count + separators;
    if (n < format.width)
        AppendRepeated(*this, format.pad, static_cast<uint32_t>(format.width - n));
    for (uint32_t i = 0; i < count; ++i) {
        if (format.group != 0 && i != 0 && i % format.group == 0)
            Append(format.separator);
        char pair[2] = {digits[b[i] >> 4], digits[b[i] & 15]};
        Append(pair, 2);
    }
}

void qzString::AppendHex32(uint32_t value, bool uppercase) {
    const char* digits = uppercase ? upperDigits : lowerDigits;
    char text[8];
    for (int i = 7; i >= 0; --i, value >>= 4)
        text[i] = digits[value & 15];
    Append(text, 8);
}

void qzString::AppendDouble(double value, const qzDoubleFormat& format) {
    if (std::isnan(value)) {
        AppendPadded(*this, "NaN", format);
        return;
    }
    if (std::isinf(value)) {
        AppendPadded(*this, value < 0 ? "-Inf" : "Inf", format);
        return;
    }
    uint32_t notation = format.notation;
    long double magnitude = std::fabs(static_cast<long double>(value));
    int decimal = magnitude != 0 ? DecimalExponent(magnitude) : 0;
    bool exponent;
    int e;
    switch (notation) {
    case QZNOTATION_SCIENTIFIC:
        exponent = true;
        e = decimal;
        break;
    case QZNOTATION_ENGINEERING:
        exponent = true;
        e = FloorToMultipleOf3(decimal);
        break;
    case QZNOTATION_GENERAL:
        exponent = magnitude != 0 && (decimal < -2 || decimal > 8);
        e = decimal;
        break;
    case QZNOTATION_GENERAL_ENGINEERING:
        exponent = magnitude != 0 && (decimal < -2 || decimal > 8);
        e = FloorToMultipleOf3(decimal);
        break;
    default:
        exponent = false;
        e = 0;
    }
    if (!exponent)
        e = 0;

    int maxdigits = static_cast<int>(format.maxdigits < 20 ? format.maxdigits : 20);
    int mindigits = static_cast<int>(format.mindigits < 20 ? format.mindigits : 20);
    for (;;) {
        // No more than 17 significant digits, and never a negative number of fraction digits.
        int d = maxdigits;
        if (d > e + 17 - decimal)
            d = e + 17 - decimal;
        if (d < 0)
            d = 0;
        long double scaled = ScaleByPowerOfTen(magnitude, d - e) + 0.5L;
        if (scaled >= 18446744073709551616.0L) {
            // The integer would not hold the digits: such a value is written with an exponent.
            exponent = true;
            e = notation == QZNOTATION_ENGINEERING || notation == QZNOTATION_GENERAL_ENGINEERING
                    ? FloorToMultipleOf3(decimal)
                    : decimal;
            notation = notation == QZNOTATION_ENGINEERING || notation == QZNOTATION_GENERAL_ENGINEERING
                           ? QZNOTATION_ENGINEERING
                           : QZNOTATION_SCIENTIFIC;
            continue;
        }
        uint64_t integer = static_cast<uint64_t>(scaled);
        // Rounding up may carry the mantissa to the next power of the exponent step: 9.96 -> 10.0e+000.
        int step = notation == QZNOTATION_ENGINEERING || notation == QZNOTATION_GENERAL_ENGINEERING ? 3 : 1;
        if (exponent && integer != 0 && integer >= PowerOfTen(d + step)) {
            decimal = e + step;
            e += step;
            continue;
        }

        // The digits with leading zeros so that one digit stands before the point.
        char digits[48];
        int n = FormatDecimal(integer, d + 1, digits);
        int whole = n - d;
        int fraction = d;
        while (fraction > mindigits && digits[whole + fraction - 1] == '0')
            --fraction;
        char text[80];
        int t = 0;
        if (value < 0)
            text[t++] = '-';
        std::memcpy(text + t, digits, whole);
        t += whole;
        if (fraction > 0) {
            text[t++] = '.';
            std::memcpy(text + t, digits + whole, fraction);
            t += fraction;
        }
        if (exponent) {
            text[t++] = 'e';
            text[t++] = e < 0 ? '-' : '+';
            t += FormatDecimal(static_cast<uint64_t>(e < 0 ? -e : e), 3, text + t);
        }
        text[t] = 0;
        AppendPadded(*this, text, format);
        return;
    }
}

qzStringRef qzStringRef::FromText(const char* text) {
    return {text, static_cast<uint32_t>(std::strlen(text))};
}

uint32_t qzStringRef::Find(qzStringRef pattern, uint32_t start) const {
    return start > length ? NOTFOUND : Find(pattern, start, length - start);
}

uint32_t qzStringRef::Find(qzStringRef pattern, uint32_t start, uint32_t count) const {
    if (start > length)
        return NOTFOUND;
    uint64_t end = static_cast<uint64_t>(start) + count;
    if (end > length)
        end = length;
    if (pattern.length == 0)
        return start;
    if (pattern.length > end - start)
        return NOTFOUND;
    uint64_t last = end - pattern.length; // the last position where a match still fits
    const char first = pattern.data[0];
    if (pattern.length == 1) {
        const void* hit = std::memchr(data + start, first, end - start);
        return hit != nullptr ? static_cast<uint32_t>(static_cast<const char*>(hit) - data) : NOTFOUND;
    }
    if (pattern.length == 2) {
        const char second = pattern.data[1];
        for (uint64_t i = start; i <= last; ++i)
            if (data[i] == first && data[i + 1] == second)
                return static_cast<uint32_t>(i);
        return NOTFOUND;
    }
    for (uint64_t i = start; i <= last; ++i)
        if (data[i] == first && std::memcmp(data + i, pattern.data, pattern.length) == 0)
            return static_cast<uint32_t>(i);
    return NOTFOUND;
}
