// Fuzz target: any text given to the OBJ reader, in one chunk or in three, either fails alike both ways or
// reads alike to a sound mesh that comes back through the writer.
#include "meshroundtrip.h"
#include "objreader.h"
#include "objwriter.h"

namespace {

// The mesh, or the fault's line and reason.
std::string Read(std::string_view text, uint32_t chunks, pw2_MeshData& mesh) {
    pw2_Progress progress;
    try {
        mesh = pw2_ReadObj(text, progress, chunks);
        return "";
    } catch (const pw2_ModelFileError& e) {
        return std::to_string(e.line) + ": " + e.reason;
    }
}

pw2_MeshData ReadInOneAndThreeChunks(std::string_view text) {
    pw2_MeshData mesh, chunked;
    std::string fault = Read(text, 1, mesh);
    if (Read(text, 3, chunked) != fault || !meshroundtrip::Same(mesh, chunked))
        std::abort();
    if (!fault.empty())
        throw pw2_ModelFileError(fault);
    return mesh;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    CheckMeshRoundTrip(std::string_view(reinterpret_cast<const char*>(bytes), size), ReadInOneAndThreeChunks,
                       pw2_WriteObj);
    return 0;
}
