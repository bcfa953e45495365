// MD5 on Windows: the CNG hash provider (bcrypt), opened once for the process.
#include "qzmd5.h"

#define WIN32_LEAN_AND_MEAN 1
#define NOMINMAX 1
#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <new>

namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

BCRYPT_ALG_HANDLE Provider() {
    static BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE opened = nullptr;
        if (!Succeeded(BCryptOpenAlgorithmProvider(&opened, BCRYPT_MD5_ALGORITHM, nullptr, 0)))
            return BCRYPT_ALG_HANDLE(nullptr);
        return opened;
    }();
    return provider;
}

struct Hash {
    BCRYPT_HASH_HANDLE handle = nullptr;
    ~Hash() {
        if (handle != nullptr)
            BCryptDestroyHash(handle);
    }
};

} // namespace

std::array<uint8_t, 16> qzMD5Digest(std::initializer_list<std::span<const uint8_t>> parts) {
    BCRYPT_ALG_HANDLE provider = Provider();
    Hash hash;
    if (provider == nullptr ||
        !Succeeded(BCryptCreateHash(provider, &hash.handle, nullptr, 0, nullptr, 0, 0)))
        throw std::bad_alloc();
    for (std::span<const uint8_t> part : parts) {
        // the system takes at most 32-bit counts at once
        for (size_t done = 0; done < part.size();) {
            ULONG chunk = static_cast<ULONG>(std::min<size_t>(part.size() - done, size_t(1) << 30));
            if (!Succeeded(BCryptHashData(hash.handle, const_cast<PUCHAR>(part.data() + done), chunk, 0)))
                throw std::bad_alloc();
            done += chunk;
        }
    }
    std::array<uint8_t, 16> digest{};
    if (!Succeeded(BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0)))
        throw std::bad_alloc();
    return digest;
}
