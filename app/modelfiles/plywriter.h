// PLY: double coordinates, uchar colours (with alpha when any is not opaque) on points and faces, face
// lists of uchar count and uint indices, and an edge element for the polylines.
#pragma once

#include "meshdata.h"

#include <string>

enum class pw2_PlyEncoding { Ascii, BinaryLittleEndian, BinaryBigEndian };

void pw2_WritePly(const pw2_MeshData& mesh, pw2_PlyEncoding encoding, std::string& out);
