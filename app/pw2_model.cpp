#include "pw2_model.h"

#include "meshbuilder.h"
#include "meshextractor.h"
#include "modelfile.h"
#include "pw2_modelgeometry.h"
#include "qzcolor.h"
#include "qzdebugoutput.h"
#include "qzvector.h"

#include <algorithm>
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
    g->SetSelected(B, true);
    g->SetSelected(D, true);
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
    g->SetSelected(H, true);
    g->SetSelected(J, true);
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
            g->SetSelected(P[1], true);
        }
    }
}

// "P points, E edges, F faces"
std::string Counts(const pw2_ModelGeometry& geometry) {
    return std::to_string(geometry.pointcount) + " points, " + std::to_string(geometry.edgecount) +
           " edges, " + std::to_string(geometry.facecount) + " faces";
}

void Log(const std::string& line) {
    qzOutputDebugString(("[pw2_Model] " + line + "\n").c_str());
}

} // namespace

pw2_Model::pw2_Model(bool samplescene) {
    currentgeometry = new pw2_ModelGeometry(this);
    if (samplescene)
        BuildSampleScene();
}

void pw2_Model::BuildSampleScene() {
    BuildTriangleSolid(currentgeometry);
    BuildPentagonSolid(currentgeometry);
    BuildCubes(currentgeometry);
    currentgeometry->UpdateFaceNormals();
    ++revision;
}

pw2_ModelGeometry* pw2_Model::CreateGeometry() {
    return new pw2_ModelGeometry(this);
}

void pw2_Model::Load(const std::string& path, pw2_ModelGeometry& geometry, pw2_Progress& progress) {
    try {
        // reading takes about as long as building the mesh
        pw2_MeshData mesh = pw2_ReadModelFile(path, progress, 0.5);
        progress.SetStage(0.5, 1);
        pw2_BuildReport report = pw2_BuildGeometry(mesh, geometry, progress);
        Log("Loaded \"" + path + "\": " + Counts(geometry) + ".");
        if (report.DroppedFaces() > 0)
            Log("Dropped " + std::to_string(report.DroppedFaces()) + " faces of \"" + path +
                "\": " + report.Reason() + ".");
    } catch (const pw2_ModelFileError& e) {
        Log("Failed to load \"" + path + "\": " + e.what() + ".");
        throw;
    } catch (const std::bad_alloc&) {
        Log("Failed to load \"" + path + "\": there is not enough memory for the model.");
        throw pw2_ModelFileError("there is not enough memory for the model");
    } catch (const pw2_Cancelled&) {
        Log("Cancelled loading \"" + path + "\".");
        throw;
    }
}

void pw2_Model::Replace(pw2_ModelGeometry* geometry, const std::string& frompath) {
    history.Clear();
    changedpoints.clear();
    delete currentgeometry;
    currentgeometry = geometry;
    path = frompath;
    ++revision;
}

void pw2_Model::Save(const std::string& topath) {
    try {
        pw2_WriteModelFile(topath, pw2_ExtractMesh(*currentgeometry));
    } catch (const pw2_ModelFileError& e) {
        Log("Failed to save \"" + topath + "\": " + e.what() + ".");
        throw;
    } catch (const std::bad_alloc&) {
        Log("Failed to save \"" + topath + "\": there is not enough memory to save the model.");
        throw pw2_ModelFileError("there is not enough memory to save the model");
    }
    Log("Saved \"" + topath + "\": " + Counts(*currentgeometry) + ".");
    path = topath;
    history.MarkSaved();
}

bool pw2_Model::GetBounds(qzVector3& low, qzVector3& high) const {
    const pw2_ModelPoint* point = currentgeometry->firstpoint;
    if (point == nullptr)
        return false;
    low = high = point->position;
    for (; point != nullptr; point = point->next) {
        const qzVector3& p = point->position;
        low = qzVector3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = qzVector3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    return true;
}

pw2_Model::~pw2_Model() {
    // the history holds records of the geometry it edits
    history.Clear();
    // each geometry leaves the list as it is deleted
    while (geometries.last != nullptr)
        delete geometries.last;
    currentgeometry = nullptr;
}
