// Fuzz target: any image, given the digest it claims so that the parser is reached, is loaded and walked.
#include "compactdb_walk.h"
#include "qzmd5.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::vector<uint8_t> image(bytes, bytes + size);
    char tag[5] = "seds";
    if (size >= 24) {
        std::memcpy(tag, bytes + 4, 4);
        std::array<uint8_t, 16> digest = qzMD5Digest({{image.data() + 24, size - 24}});
        std::memcpy(image.data() + 8, digest.data(), digest.size());
    }
    CompactDB_Reader db;
    if (db.Load(image.data(), image.size(), tag))
        WalkCompactDB(db);
    return 0;
}
