#include "pw2_model.h"

#include "pw2_modelgeometry.h"
#include "qzcolor.h"
#include "qzvector.h"

#include <cstddef>
#include <initializer_list>

namespace {

const qzColor WHITE(255, 255, 255, 255);
const qzColor RED(255, 0, 0, 255);
const qzColor YELLOW(255, 255, 0, 255);
const qzColor BLUE(0, 0, 255, 255);

pw2_ModelPoint* AddPoint(pw2_ModelGeometry* geometry, double x, double y, double z) {
    pw2_ModelPoint* point = geometry->CreatePoint();
    point->position = qzVector3(x, y, z);
    return point;
}

void AddFace(pw2_ModelGeometry* geometry, std::initializer_list<pw2_ModelPoint*> corners, qzColor color) {
    pw2_ModelFace* face = geometry->CreateFace(static_cast<uint32_t>(corners.size()));
    uint32_t i = 0;
    for (pw2_ModelPoint* point : corners) {
        geometry->SetVertexPoint(&face->vertices[i], point);
        face->vertices[i].color = color;
        ++i;
    }
    geometry->ConnectFace();
}

// Marks the point and every edge end and corner that lies on it.
void Select(pw2_ModelPoint* point) {
    point->selected = 1;
    for (pw2_ModelEdgeEnd* end = point->GetFirstEnd(); end != nullptr; end = end->GetNext())
        end->selected = 1;
    for (pw2_ModelVertex* vertex = point->GetFirstVertex(); vertex != nullptr;
         vertex = vertex->GetNextAtPoint())
        vertex->selected = 1;
}

// A closed solid of eight triangles.
void BuildTriangleSolid(pw2_ModelGeometry* g) {
    pw2_ModelPoint* A = AddPoint(g, -10, -10, 0);
    pw2_ModelPoint* B = AddPoint(g, 0, -15, 6);
    pw2_ModelPoint* C = AddPoint(g, 0, -5, 6);
    pw2_ModelPoint* D = AddPoint(g, 10, -10, 0);
    pw2_ModelPoint* E = AddPoint(g, -6, -10, -8);
    pw2_ModelPoint* F = AddPoint(g, 6, -10, -8);
    AddFace(g, {A, B, C}, WHITE);
    AddFace(g, {C, B, D}, WHITE);
    AddFace(g, {E, B, A}, WHITE);
    AddFace(g, {F, D, B}, WHITE);
    AddFace(g, {F, C, D}, WHITE);
    AddFace(g, {E, A, C}, WHITE);
    AddFace(g, {E, F, B}, WHITE);
    AddFace(g, {F, E, C}, WHITE);
    Select(B);
    Select(D);
}

// A closed solid of two triangles and two pentagons.
void BuildPentagonSolid(pw2_ModelGeometry* g) {
    pw2_ModelPoint* G = AddPoint(g, -10, 10, 0);
    pw2_ModelPoint* H = AddPoint(g, 0, 5, 6);
    pw2_ModelPoint* I = AddPoint(g, 0, 15, 6);
    pw2_ModelPoint* J = AddPoint(g, 10, 10, 0);
    pw2_ModelPoint* K = AddPoint(g, -6, 10, -8);
    pw2_ModelPoint* L = AddPoint(g, 6, 10, -8);
    AddFace(g, {G, H, I}, WHITE);
    AddFace(g, {I, H, J}, WHITE);
    AddFace(g, {K, L, J, H, G}, WHITE);
    AddFace(g, {L, K, G, I, J}, WHITE);
    Select(H);
    Select(J);
}

// 25 cubes on a 5 x 5 grid, each face counter-clockwise seen from outside.
void BuildCubes(pw2_ModelGeometry* g) {
    for (int i = -2; i <= 2; ++i) {
        for (int j = -2; j <= 2; ++j) {
            double x = 4 * i, y = 4 * j, z = 0;
            pw2_ModelPoint* P[8];
            for (int k = 0; k < 8; ++k)
                P[k] = AddPoint(g, k & 1 ? x + 1 : x - 1, k & 2 ? y + 1 : y - 1, k & 4 ? z - 1 : z + 1);
            AddFace(g, {P[0], P[1], P[3], P[2]}, RED);
            AddFace(g, {P[5], P[4], P[6], P[7]}, RED);
            AddFace(g, {P[2], P[3], P[7], P[6]}, RED);
            AddFace(g, {P[1], P[0], P[4], P[5]}, YELLOW);
            AddFace(g, {P[3], P[1], P[5], P[7]}, YELLOW);
            AddFace(g, {P[0], P[2], P[6], P[4]}, BLUE);
            Select(P[1]);
        }
    }
}

} // namespace

pw2_Model::pw2_Model() {
    currentgeometry = new pw2_ModelGeometry(this);
    BuildTriangleSolid(currentgeometry);
    BuildPentagonSolid(currentgeometry);
    BuildCubes(currentgeometry);
    currentgeometry->UpdateFaceNormals();
}

pw2_Model::~pw2_Model() {
    // each geometry leaves the list as it is deleted
    while (geometries.last != nullptr)
        delete geometries.last;
    currentgeometry = nullptr;
}
