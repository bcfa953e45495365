// The formats we do not read ourselves, imported through assimp in a child process: a crash of the library
// on a broken file ends the child, never the editor. The child is this program started with
// "--import-child PATH"; it loads the library at run time and hands the mesh back as binary PLY on its
// standard output. The editor itself never loads the library.
#pragma once

#include "meshdata.h"

#include <cstdint>
#include <string>

// The child's exit codes besides 0: the file cannot be imported, the library is missing. Either way the
// child's standard output holds the reason as plain text.
constexpr int PW2_IMPORT_EXIT_FAILED = 2;
constexpr int PW2_IMPORT_EXIT_NOLIBRARY = 3;

// The import library cannot be loaded, or lacks a call this program makes.
class pw2_ImportLibraryMissing : public pw2_ModelFileError {
public:
    using pw2_ModelFileError::pw2_ModelFileError;
};

// The largest answer a file may give: imports expand (a few bytes of a format may stand for many points),
// so 64 times the file's size (a glTF file's with the .bin buffers beside it) and 64 MB more. Throws
// pw2_ModelFileError when the file cannot be examined.
uint64_t pw2_ImportOutputLimit(const std::string& path);

// The child's whole work: loads the library, imports the file (every mesh of the scene placed by its nodes'
// transforms, all in one mesh, polygons as they are) and writes the mesh as binary little-endian PLY to
// standard output; on failure the reason instead ("assimp cannot read this file: " and the library's own).
// Answers the exit code.
int pw2_RunImportChild(const char* path);

// The editor's side: runs executable --import-child path and reads its answer back. Throws pw2_Cancelled
// when progress is cancelled (the child is killed), pw2_ModelFileError with the child's reason or with what
// became of the child (a crash, an answer too large or unreadable).
pw2_MeshData pw2_ImportInChildProcess(const std::string& executable, const std::string& path,
                                      pw2_Progress& progress);
