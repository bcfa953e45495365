// MD5 on POSIX: OpenSSL's EVP interface.
#include "qzmd5.h"

#include <openssl/evp.h>

#include <memory>
#include <new>

std::array<uint8_t, 16> qzMD5Digest(std::initializer_list<std::span<const uint8_t>> parts) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1)
        throw std::bad_alloc();
    for (std::span<const uint8_t> part : parts)
        if (!part.empty())
            EVP_DigestUpdate(context.get(), part.data(), part.size());
    std::array<uint8_t, 16> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest.data(), &length);
    return digest;
}
