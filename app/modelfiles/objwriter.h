// Wavefront OBJ: v lines (with r g b when the mesh has point colours), f lines, l lines for the polylines.
#pragma once

#include "meshdata.h"

#include <string>

void pw2_WriteObj(const pw2_MeshData& mesh, std::string& out);
