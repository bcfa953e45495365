// Fuzz target: any input given to the STL reader either fails or reads to triangles over distinct points that
// come back through the writer in binary and in ASCII.
#include "meshroundtrip.h"
#include "stlreader.h"
#include "stlwriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    pw2_Progress progress;
    CheckMeshRoundTrip(
        std::string_view(reinterpret_cast<const char*>(bytes), size),
        [&](std::string_view data) { return pw2_ReadStl(data, progress); },
        [](const pw2_MeshData& mesh, std::string& out) { pw2_WriteStl(mesh, true, out); },
        [](const pw2_MeshData& mesh, std::string& out) { pw2_WriteStl(mesh, false, out); });
    return 0;
}
