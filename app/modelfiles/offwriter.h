// OFF: COFF with point colours when the mesh has them, face colours after a face's indices.
#pragma once

#include "meshdata.h"

#include <string>

void pw2_WriteOff(const pw2_MeshData& mesh, std::string& out);
