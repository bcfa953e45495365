// Joins the points that lie at exactly the same position, so that neighbouring triangles of a file that
// repeats its corners (STL, split vertices of an import) share their edges.
#pragma once

#include "meshdata.h"

// The first point at each position stays, in order; the indices of faces and lines follow. Point colours
// become corner colours first, so that no colour is lost.
void pw2_WeldByPosition(pw2_MeshData& mesh);
