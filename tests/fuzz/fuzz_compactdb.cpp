// Fuzz target: any image, given the digest it claims so that the parser is reached, is loaded and walked.
#include "compactdb_walk.h"

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::vector<uint8_t> image(bytes, bytes + size);
    char tag[5] = "seds";
    if (size >= 24) {
        std::memcpy(tag, bytes + 4, 4);
        unsigned int length = 0;
        EVP_Digest(image.data() + 24, size - 24, image.data() + 8, &length, EVP_md5(), nullptr);
    }
    CompactDB_Reader db;
    if (db.Load(image.data(), image.size(), tag))
        WalkCompactDB(db);
    return 0;
}
