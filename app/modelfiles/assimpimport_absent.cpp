// The import of the formats we do not read ourselves, in a build without assimp (the Windows build): every
// such file is refused with the reason.
#include "assimpimport.h"

#include <cstdio>

namespace {

const char REASON[] = "this format is imported through assimp, which only the Linux build has for now";

} // namespace

int pw2_RunImportChild(const char*) {
    std::fputs(REASON, stdout);
    return PW2_IMPORT_EXIT_NOLIBRARY;
}

pw2_MeshData pw2_ImportInChildProcess(const std::string&, const std::string&, pw2_Progress&) {
    throw pw2_ImportLibraryMissing(REASON);
}
