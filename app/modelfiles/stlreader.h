// STL, binary (recognised by its size, 84 + 50 x count) or ASCII. Corners at one position become one point.
#pragma once

#include "meshdata.h"

#include <string_view>

// Throws pw2_ModelFileError (with the line of an ASCII file's fault), or pw2_Cancelled.
pw2_MeshData pw2_ReadStl(std::string_view data, pw2_Progress& progress);
