// The editable mesh as a model file holds it: the points in list order, each face's corners, the edges that
// no face runs along as lines, and the corners' colours in the simplest form that keeps them.
#pragma once

#include "meshdata.h"

class pw2_ModelGeometry;

// Colours: none when every corner is white; per point when all corners at each point agree; else per face,
// each face taking the colour of its first corner.
pw2_MeshData pw2_ExtractMesh(const pw2_ModelGeometry& geometry);
