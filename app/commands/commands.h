// The editing commands: functions over a geometry that change it only through its operations, so that a
// history attached to it records every change, or throw pw2_Refusal before they change anything.
#pragma once

#include "qzcolor.h"
#include "qzvector.h"

#include <string>
#include <vector>

class pw2_ModelGeometry;
struct pw2_ModelPoint;

// A command that cannot apply: it changed nothing, and the text says why.
struct pw2_Refusal {
    std::string reason;
};

// The colour of the corners of faces that the commands make.
const qzColor PW2_NEW_FACE_COLOR(255, 255, 255, 255);

// selectcommands
// The selected points in list order.
std::vector<pw2_ModelPoint*> pw2_SelectedPoints(const pw2_ModelGeometry& geometry);
// Every point selected, or none.
void pw2_SelectAll(pw2_ModelGeometry& geometry, bool selected);
// Makes these points the selection; with add set they join it instead.
void pw2_SelectOnly(pw2_ModelGeometry& geometry, const std::vector<pw2_ModelPoint*>& points, bool add);

// buildcommands
// A new point at position, selected alone.
pw2_ModelPoint* pw2_AddPoint(pw2_ModelGeometry& geometry, const qzVector3& position);
// An edge between the two selected points.
void pw2_AddEdge(pw2_ModelGeometry& geometry);
// A face through points in their order (at least three, pairwise distinct, all selected), wound so that
// its normal has a positive part along towardviewer.
void pw2_AddFace(pw2_ModelGeometry& geometry, const std::vector<pw2_ModelPoint*>& points,
                 const qzVector3& towardviewer);

// deletecommand: the selected points go, with every edge and face that uses them.
void pw2_DeleteSelected(pw2_ModelGeometry& geometry);
// duplicatecommand: the selected points, the edges between two of them and the faces whose points are all
// selected, copied offset away; the copy becomes the selection.
void pw2_DuplicateSelected(pw2_ModelGeometry& geometry, const qzVector3& offset);
// mergecommand: the selected points become one at their mean. A face that then repeats a point loses the
// corner that repeats its neighbour, and goes when it still repeats one or keeps fewer than three corners;
// edges that would coincide become one.
void pw2_MergeSelected(pw2_ModelGeometry& geometry);
