// The one place where a model file's contents become the editable mesh: every point in file order, every
// polygon as one face with its corners in file order, polylines as edges, and the faces that cannot be faces
// dropped and counted.
#pragma once

#include "meshdata.h"

#include "qzcolor.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

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

// The rules of a face's corners, shared by every way faces come together (a file's polygons, points merged):
// each corner that repeats the point before it is dropped, the first compared with the last too, and the
// count of corners that stay at the front of corners and colors is the answer.
template <class Corner>
uint32_t pw2_DropRepeatedNeighbours(std::vector<Corner>& corners, std::vector<qzColor>& colors) {
    uint32_t kept = 0;
    for (uint32_t i = 0; i < corners.size(); ++i) {
        if (kept > 0 && corners[i] == corners[kept - 1])
            continue;
        corners[kept] = corners[i];
        colors[kept] = colors[i];
        ++kept;
    }
    while (kept > 1 && corners[kept - 1] == corners[0])
        --kept;
    return kept;
}

// Whether any point comes twice among the first count corners.
template <class Corner>
bool pw2_RepeatsAPoint(const Corner* corners, uint32_t count, std::vector<Corner>& scratch) {
    if (count <= 16) {
        for (uint32_t i = 1; i < count; ++i)
            for (uint32_t j = 0; j < i; ++j)
                if (corners[i] == corners[j])
                    return true;
        return false;
    }
    scratch.assign(corners, corners + count);
    std::sort(scratch.begin(), scratch.end());
    return std::adjacent_find(scratch.begin(), scratch.end()) != scratch.end();
}

// Fills an empty geometry and computes its normals. Throws pw2_Cancelled through the progress, leaving the
// geometry partly built (the caller discards it).
pw2_BuildReport pw2_BuildGeometry(const pw2_MeshData& mesh, pw2_ModelGeometry& geometry,
                                  pw2_Progress& progress);
