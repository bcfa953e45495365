#include "qzstring.h"
#include "qzstringsearcher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::string Text(const qzString& s) {
    return std::string(s.GetData(), s.GetLength());
}

std::string Int(int32_t v, const qzIntegerFormat& f = {}) {
    qzString s;
    s.AppendInt(v, f);
    return Text(s);
}

std::string Double(double v, const qzDoubleFormat& f = {}) {
    qzString s;
    s.AppendDouble(v, f);
    return Text(s);
}

// An independent formatter: digits by repeated division into a std::string, grouping and padding after.
std::string ReferenceInt(int64_t v, const qzIntegerFormat& f) {
    uint32_t radix = f.radix >= 2 && f.radix <= 36 ? f.radix : 10;
    uint64_t m = v < 0 ? static_cast<uint64_t>(-v) : static_cast<uint64_t>(v);
    const char* set =
        f.uppercase ? "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ" : "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string raw;
    do {
        raw.insert(raw.begin(), set[m % radix]);
        m /= radix;
    } while (m);
    std::string digits;
    for (size_t i = 0; i < raw.size(); ++i) {
        digits += raw[i];
        size_t remaining = raw.size() - 1 - i;
        if (f.group && remaining && remaining % f.group == 0 && f.separator)
            digits += f.separator;
    }
    std::string sign = v < 0 ? "-" : (v > 0 && f.plus ? "+" : "");
    char pad = f.pad ? f.pad : ' ';
    size_t total = sign.size() + digits.size();
    std::string fill = total < f.width ? std::string(f.width - total, pad) : "";
    return f.signfirst ? sign + fill + digits : fill + sign + digits;
}

} // namespace

TEST(String, ResizeGrowsByPowersOfTwoAndShrinksOnlyBelowHalf) {
    qzString s;
    EXPECT_EQ(s.GetCapacity(), 0u);
    // 40 + 16 < 64: reallocated; 20 + 16 >= 32: kept
    const std::pair<uint32_t, uint32_t> steps[] = {{31, 32}, {32, 64}, {100, 128},
                                                   {40, 64}, {20, 64}, {10, 32}};
    for (auto [length, capacity] : steps) {
        s.Resize(length);
        EXPECT_EQ(s.GetCapacity(), capacity) << length;
    }
    EXPECT_EQ(s.GetData()[10], 0);
}

TEST(String, AppendKeepsContentTerminatedAndSurvivesSelfAppend) {
    qzString s("abc");
    s.Append(s);
    s.Append('d');
    s.Append(s.GetData() + 1, 2); // bytes from its own buffer, which may move
    EXPECT_EQ(Text(s), "abcabcdbc");
    EXPECT_EQ(s.GetData()[s.GetLength()], 0);
    qzString copy = s, moved = std::move(copy);
    EXPECT_TRUE(moved == s);
    EXPECT_TRUE(copy.IsEmpty());
}

// A few fixed cases keep the independent formatter itself honest.
TEST(String, IntegerFormatsOfTheExamples) {
    qzIntegerFormat zero6;
    zero6.width = 6;
    zero6.pad = '0';
    EXPECT_EQ(Int(-42, zero6), "000-42");
    zero6.signfirst = true;
    EXPECT_EQ(Int(-42, zero6), "-00042");
    qzIntegerFormat grouped;
    grouped.group = 3;
    grouped.separator = ',';
    grouped.plus = true;
    EXPECT_EQ(Int(1234567, grouped), "+1,234,567");
    EXPECT_EQ(Int(INT32_MIN), "-2147483648");
}

TEST(String, IntegersAgreeWithAnIndependentFormatter) {
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        qzIntegerFormat f;
        f.plus = random() & 1;
        f.signfirst = random() & 1;
        f.uppercase = random() & 1;
        f.radix = random() % 40;
        f.width = random() % 40;
        f.group = random() % 5;
        f.pad = "0 *\0"[random() % 4];
        f.separator = ",'_\0"[random() % 4];
        uint32_t bits = static_cast<uint32_t>(random());
        if (random() & 1)
            bits >>= random() % 32;
        int32_t v = static_cast<int32_t>(bits);
        ASSERT_EQ(Int(v, f), ReferenceInt(v, f)) << v << " radix " << f.radix << " width " << f.width;
        qzString u;
        u.AppendUInt(bits, f);
        ASSERT_EQ(Text(u), ReferenceInt(bits, f)) << bits;
    }
}

TEST(String, HexDumps) {
    qzString s;
    s.AppendHex32(0x1A2B);
    s.Append(' ');
    s.AppendHex32(0xDEADBEEF, true);
    EXPECT_EQ(Text(s), "00001a2b DEADBEEF");
    const unsigned char bytes[] = {0xDE, 0xAD, 0xBE, 0xEF, 0x01};
    qzHexFormat f;
    f.group = 2;
    qzString dump;
    dump.AppendHex(bytes, 4, f);
    EXPECT_EQ(Text(dump), "dead beef");
    f.width = 16;
    f.pad = '.';
    f.uppercase = true;
    qzString padded;
    padded.AppendHex(bytes, 5, f);
    EXPECT_EQ(Text(padded), "....DEAD BEEF 01");
}

TEST(String, DoublesInEveryNotation) {
    qzDoubleFormat fixed;
    EXPECT_EQ(Double(-2.25), "-2.25");
    EXPECT_EQ(Double(2), "2");
    fixed.mindigits = 3;
    EXPECT_EQ(Double(2, fixed), "2.000");
    fixed.maxdigits = 2;
    fixed.mindigits = 0;
    EXPECT_EQ(Double(0.125, fixed), "0.13");
    EXPECT_EQ(Double(9.999, fixed), "10");

    qzDoubleFormat sci;
    sci.notation = QZNOTATION_SCIENTIFIC;
    sci.maxdigits = 1;
    EXPECT_EQ(Double(1500, sci), "1.5e+003");
    EXPECT_EQ(Double(0, sci), "0e+000");
    EXPECT_EQ(Double(0.00012, sci), "1.2e-004");
    EXPECT_EQ(Double(9.96, sci), "1e+001"); // the rounding carry moves the exponent
    sci.mindigits = 1;
    EXPECT_EQ(Double(-1e300, sci), "-1.0e+300");

    qzDoubleFormat eng;
    eng.notation = QZNOTATION_ENGINEERING;
    EXPECT_EQ(Double(12345, eng), "12.345e+003");
    EXPECT_EQ(Double(0.000012, eng), "12e-006");

    qzDoubleFormat general;
    general.notation = QZNOTATION_GENERAL;
    EXPECT_EQ(Double(123456789, general), "123456789");
    EXPECT_EQ(Double(1234567890, general), "1.234568e+009");
    EXPECT_EQ(Double(0.001, general), "1e-003");
    EXPECT_EQ(Double(0.01, general), "0.01");
    general.notation = QZNOTATION_GENERAL_ENGINEERING;
    general.maxdigits = 8;
    EXPECT_EQ(Double(1234567890, general), "1.23456789e+009");
    EXPECT_EQ(Double(0.0005, general), "500e-006");
}

TEST(String, DoublesThatNoIntegerHoldsStaySound) {
    qzDoubleFormat f;
    f.width = 6;
    EXPECT_EQ(Double(std::nan(""), f), "   NaN");
    EXPECT_EQ(Double(INFINITY, f), "   Inf");
    EXPECT_EQ(Double(-INFINITY), "-Inf");
    // Fixed notation of a value beyond 64-bit integers falls back to an exponent.
    EXPECT_EQ(Double(1e300), "1e+300");
    EXPECT_EQ(Double(-1.5e25), "-1.5e+025");
    EXPECT_EQ(Double(1e17), "100000000000000000");
    f.width = 1000; // the padding stops at 50 characters
    EXPECT_EQ(Double(std::nan(""), f).size(), 50u);
}

TEST(String, FixedDoublesReadBackWithinHalfALastDigit) {
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> exponent(-8, 15);
    for (int i = 0; i < 100000; ++i) {
        double v = std::pow(10.0, exponent(random)) * (random() & 1 ? 1 : -1);
        qzDoubleFormat f;
        f.maxdigits = static_cast<uint32_t>(random() % 10);
        std::string text = Double(v, f);
        double back = std::strtod(text.c_str(), nullptr);
        size_t point = text.find('.');
        size_t fraction = point == std::string::npos ? 0 : text.size() - point - 1;
        ASSERT_LE(fraction, f.maxdigits) << text;
        double unit = std::pow(10.0, -static_cast<double>(f.maxdigits));
        int decimal = static_cast<int>(std::floor(std::log10(std::fabs(v))));
        double tolerance = unit * 0.5 + std::pow(10.0, decimal - 15);
        ASSERT_LE(std::fabs(back - v), tolerance * 1.0001) << v << " -> " << text;
    }
}

TEST(String, FindStopsAtTheCount) {
    qzStringRef text = qzStringRef::FromText("abcabcabd");
    EXPECT_EQ(text.Find(qzStringRef::FromText("abc"), 1), 3u);
    EXPECT_EQ(text.Find(qzStringRef::FromText(""), 4), 4u);
    EXPECT_EQ(text.Find(qzStringRef::FromText("abcabcabdx"), 0), qzStringRef::NOTFOUND);
    EXPECT_EQ(text.Find(qzStringRef::FromText("abd"), 0, 8), qzStringRef::NOTFOUND); // would end past it
    EXPECT_EQ(text.Find(qzStringRef::FromText("abd"), 0, 9), 6u);
    EXPECT_EQ(text.Find(qzStringRef::FromText("a"), 20), qzStringRef::NOTFOUND);
}

TEST(StringSearcher, AgreesWithFindOnRandomTextsAndPatterns) {
    std::mt19937 random(11);
    for (int round = 0; round < 4000; ++round) {
        int alphabet = 1 + random() % 4;
        std::string text(random() % 300, 'a');
        for (char& c : text)
            c = static_cast<char>('a' + random() % alphabet);
        std::string pattern(1 + random() % 60, 'a');
        for (char& c : pattern)
            c = static_cast<char>('a' + random() % alphabet);
        if (!text.empty() && random() % 2) { // plant an occurrence
            size_t at = random() % text.size();
            text.replace(at, std::min(pattern.size(), text.size() - at), pattern);
        }
        qzStringRef t{text.data(), static_cast<uint32_t>(text.size())};
        qzStringRef p{pattern.data(), static_cast<uint32_t>(pattern.size())};
        qzStringSearcher searcher(p, random() % 45, random() % 3 ? random() % 70 : 0);
        for (uint32_t start = 0; start <= t.length + 1; start += 1 + random() % 7) {
            ASSERT_EQ(searcher.Find(t, start), t.Find(p, start)) << text << " / " << pattern << " @" << start;
            uint32_t count = random() % 200;
            ASSERT_EQ(searcher.Find(t, start, count), t.Find(p, start, count));
        }
    }
}
