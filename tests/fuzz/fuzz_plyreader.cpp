// Fuzz target: any input given to the PLY reader either fails or reads to a sound mesh that comes back
// through the writer in every encoding.
#include "meshroundtrip.h"
#include "plyreader.h"
#include "plywriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    pw2_Progress progress;
    auto writer = [](pw2_PlyEncoding encoding) {
        return [encoding](const pw2_MeshData& mesh, std::string& out) { pw2_WritePly(mesh, encoding, out); };
    };
    CheckMeshRoundTrip(
        std::string_view(reinterpret_cast<const char*>(bytes), size),
        [&](std::string_view data) { return pw2_ReadPly(data, progress); }, writer(pw2_PlyEncoding::Ascii),
        writer(pw2_PlyEncoding::BinaryLittleEndian), writer(pw2_PlyEncoding::BinaryBigEndian));
    return 0;
}
