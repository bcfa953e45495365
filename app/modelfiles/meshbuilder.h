// The one place where a model file's contents become the editable mesh: every point in file order, every
// polygon as one face with its corners in file order, polylines as edges, and the faces that cannot be faces
// dropped and counted.
#pragma once

#include "meshdata.h"

#include <cstdint>
#include <string>

class pw2_ModelGeometry;

// What the build left out. A corner that repeats the point before it (the last compared with the first too)
// is dropped silently; a face left with fewer than three corners, or that still repeats a point, is counted
// here and dropped.
struct pw2_BuildReport {
    uint32_t fewcorners = 0;
    uint32_t repeatedpoints = 0;

    uint32_t DroppedFaces() const { return fewcorners + repeatedpoints; }
    // "2 have fewer than three corners, 1 repeats a point"; empty when nothing was dropped.
    std::string Reason() const;
};

// Fills an empty geometry and computes its normals. Throws pw2_Cancelled through the progress, leaving the
// geometry partly built (the caller discards it).
pw2_BuildReport pw2_BuildGeometry(const pw2_MeshData& mesh, pw2_ModelGeometry& geometry,
                                  pw2_Progress& progress);
