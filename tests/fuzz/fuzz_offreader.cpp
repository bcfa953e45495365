// Fuzz target: any text given to the OFF reader either fails or reads to a sound mesh that comes back through
// the writer.
#include "meshroundtrip.h"
#include "offreader.h"
#include "offwriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    pw2_Progress progress;
    CheckMeshRoundTrip(
        std::string_view(reinterpret_cast<const char*>(bytes), size),
        [&](std::string_view text) { return pw2_ReadOff(text, progress); }, pw2_WriteOff);
    return 0;
}
