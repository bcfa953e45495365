// Wavefront OBJ: points (v, with an optional r g b), faces (f, every index form, negative indices),
// polylines (l). Other statements are skipped.
#pragma once

#include "meshdata.h"

#include <cstdint>
#include <string_view>

// Throws pw2_ModelFileError with the line of the fault, or pw2_Cancelled. A text of more than a few megabytes
// is parsed on several threads at once.
pw2_MeshData pw2_ReadObj(std::string_view data, pw2_Progress& progress);
// The same with the text cut into chunkcount chunks, which up to as many threads parse: the result (or the
// fault) does not depend on the count.
pw2_MeshData pw2_ReadObj(std::string_view data, pw2_Progress& progress, uint32_t chunkcount);
