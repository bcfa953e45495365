// PLY in all three encodings: vertex x y z with optional colour, faces as vertex_indices or vertex_index
// lists, edges as vertex1 vertex2; other elements and properties skipped.
#pragma once

#include "meshdata.h"

#include <string_view>

// Throws pw2_ModelFileError (with the line of an ASCII body's fault), or pw2_Cancelled.
pw2_MeshData pw2_ReadPly(std::string_view data, pw2_Progress& progress);
