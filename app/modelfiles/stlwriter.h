// STL: triangles only; a face of more than three corners is written as the fan from its first corner.
#pragma once

#include "meshdata.h"

#include <string>

void pw2_WriteStl(const pw2_MeshData& mesh, bool binary, std::string& out);
