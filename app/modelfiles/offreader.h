// OFF: plain and its colour variants.
#pragma once

#include "meshdata.h"

#include <string_view>

// Throws pw2_ModelFileError with the line of the fault, or pw2_Cancelled.
pw2_MeshData pw2_ReadOff(std::string_view data, pw2_Progress& progress);
