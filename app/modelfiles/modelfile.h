// Model files by name: the format follows the extension; OBJ, PLY, STL and OFF are read and written by our
// own readers and writers, everything else is imported through assimp in a child process. Saving never
// damages the file that was there.
#pragma once

#include "meshdata.h"

#include <string>

enum class pw2_ModelFormat { Obj, Ply, Stl, Off, Import };

// The extension of the path's file name in lower case, without the dot; empty when it has none.
std::string pw2_GetExtension(const std::string& path);
pw2_ModelFormat pw2_GetModelFormat(const std::string& path);
bool pw2_IsWritable(pw2_ModelFormat format);

// The open dialog's filter (the formats we read, the common ones assimp imports, all files) and the save
// dialog's (the four we write), in the packed form of the file dialogs.
extern const char PW2_OPEN_FILTER[];
extern const char PW2_SAVE_FILTER[];

// Throws pw2_ModelFileError with a reason a person understands, or pw2_Cancelled. The progress runs through
// [0, end): the caller's build fills the rest.
pw2_MeshData pw2_ReadModelFile(const std::string& path, pw2_Progress& progress, double end);

// Writes a temporary file beside the target, flushes it to the disk and renames it over the target. Throws
// pw2_ModelFileError; the target is then as it was.
void pw2_WriteModelFile(const std::string& path, const pw2_MeshData& mesh);
