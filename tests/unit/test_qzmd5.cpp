// qzMD5Digest: the digests of the reference suite, and spans that digest as the bytes they hold together.
#include "qzmd5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string Hex(const std::array<uint8_t, 16>& digest) {
    std::string hex;
    for (uint8_t byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

} // namespace

TEST(MD5, ReferenceSuiteDigests) {
    const struct {
        std::string message;
        const char* digest;
    } suite[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& entry : suite)
        EXPECT_EQ(Hex(qzMD5Digest({Bytes(entry.message)})), entry.digest) << entry.message;
}

// However the bytes are split into spans, empty ones included, the digest is that of the whole.
TEST(MD5, SpansDigestAsTheirBytesTogether) {
    std::mt19937 random(9);
    for (int i = 0; i < 200; ++i) {
        std::vector<uint8_t> bytes(random() % 5000);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(random());
        size_t first = bytes.empty() ? 0 : random() % bytes.size();
        size_t second = first + (bytes.size() == first ? 0 : random() % (bytes.size() - first));
        std::span<const uint8_t> all(bytes);
        ASSERT_EQ(
            qzMD5Digest({all.subspan(0, first), {}, all.subspan(first, second - first), all.subspan(second)}),
            qzMD5Digest({all}))
            << bytes.size() << " split at " << first << " and " << second;
    }
    EXPECT_EQ(qzMD5Digest({{}, {}}), qzMD5Digest({}));
    EXPECT_NE(qzMD5Digest({Bytes("ab")}), qzMD5Digest({Bytes("ba")}));
}
