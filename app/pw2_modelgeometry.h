// The editable polygon mesh: points, edges between two points, and polygon faces whose corners refer to
// points and to the edges between consecutive corners. Every adjacency is an intrusive list appended at the
// tail, so each question (edges at a point, corners at a point, corners along an edge) walks exactly the
// incident records. All records come from the geometry's block allocator and die with its blocks.
#pragma once

#include "qzbatchallocator.h"
#include "qzcolor.h"
#include "qzobjectlist.h"
#include "qzvector.h"

#include <cstdint>

class pw2_Model;
struct pw2_ModelEdge;
struct pw2_ModelFace;
struct pw2_ModelPoint;
struct pw2_ModelVertex;

struct pw2_ModelEdgeEnd {
    pw2_ModelEdgeEnd* GetNext() const { return next; }

    pw2_ModelEdge* edge = nullptr;
    pw2_ModelPoint* point = nullptr;
    // links in the point's end list
    pw2_ModelEdgeEnd* previous = nullptr;
    pw2_ModelEdgeEnd* next = nullptr;
    uint8_t selected = 0;
};

struct pw2_ModelPoint {
    pw2_ModelEdgeEnd* GetFirstEnd() const { return firstend; }
    pw2_ModelVertex* GetFirstVertex() const { return firstvertex; }

    pw2_ModelPoint* previous = nullptr;
    pw2_ModelPoint* next = nullptr;
    pw2_ModelEdgeEnd* firstend = nullptr;
    pw2_ModelEdgeEnd* lastend = nullptr;
    pw2_ModelVertex* firstvertex = nullptr;
    pw2_ModelVertex* lastvertex = nullptr;
    // scratch link, meaningful only while a geometry is being copied from this one
    pw2_ModelPoint* copy = nullptr;
    qzVector3 position;
    uint8_t selected = 0;
};

struct pw2_ModelEdge {
    pw2_ModelEdge* previous = nullptr;
    pw2_ModelEdge* next = nullptr;
    pw2_ModelVertex* firstvertex = nullptr;
    pw2_ModelVertex* lastvertex = nullptr;
    // end 0 lies at the first point the edge was made with, end 1 at the second
    pw2_ModelEdgeEnd ends[2];
};

struct pw2_ModelVertex {
    pw2_ModelVertex* GetNextAtPoint() const { return pointnext; }

    pw2_ModelFace* face = nullptr;
    pw2_ModelPoint* point = nullptr;
    // links in the point's vertex list
    pw2_ModelVertex* pointprevious = nullptr;
    pw2_ModelVertex* pointnext = nullptr;
    // runs from this corner's point to the next corner's point
    pw2_ModelEdge* edge = nullptr;
    // links in the edge's vertex list
    pw2_ModelVertex* edgeprevious = nullptr;
    pw2_ModelVertex* edgenext = nullptr;
    uint8_t selected = 0;
    qzColor color;
};

// One allocation holds the face and, right behind it, its corners.
struct pw2_ModelFace {
    pw2_ModelFace* previous = nullptr;
    pw2_ModelFace* next = nullptr;
    uint32_t vertexcount = 0;
    double area = 0;
    qzVector3 normal;
    pw2_ModelVertex vertices[];
};

class pw2_ModelGeometry : public qzObjectNode<pw2_ModelGeometry> {
public:
    static constexpr uint32_t BLOCKSIZE = 4000;

    explicit pw2_ModelGeometry(pw2_Model* owner);
    pw2_ModelGeometry(const pw2_ModelGeometry&) = delete;
    pw2_ModelGeometry& operator=(const pw2_ModelGeometry&) = delete;
    ~pw2_ModelGeometry();

    pw2_ModelPoint* CreatePoint();
    pw2_ModelEdge* FindOrCreateEdge(pw2_ModelPoint* point1, pw2_ModelPoint* point2);
    pw2_ModelFace* CreateFace(uint32_t vertexcount);
    void SetVertexPoint(pw2_ModelVertex* vertex, pw2_ModelPoint* point);
    void SetVertexEdge(pw2_ModelVertex* vertex, pw2_ModelEdge* edge);
    void ConnectFace();
    void RemoveFace(pw2_ModelFace* face);
    void RemoveEdge(pw2_ModelEdge* edge);
    void RemovePoint(pw2_ModelPoint* point);
    void Clear();
    pw2_ModelGeometry* CopyFrom(pw2_ModelGeometry* source);
    void UpdateFaceNormals();

    qzBatchAllocator allocator;
    uint32_t pointcount = 0;
    uint32_t edgecount = 0;
    uint32_t facecount = 0;
    pw2_ModelPoint* firstpoint = nullptr;
    pw2_ModelPoint* lastpoint = nullptr;
    pw2_ModelEdge* firstedge = nullptr;
    pw2_ModelEdge* lastedge = nullptr;
    pw2_ModelFace* firstface = nullptr;
    pw2_ModelFace* lastface = nullptr;
    // the face created last while its corners are still being given points
    pw2_ModelFace* connecting_face = nullptr;

private:
    // a new edge between two points that have none yet
    pw2_ModelEdge* CreateEdge(pw2_ModelPoint* point1, pw2_ModelPoint* point2);
    void ReleaseSeparateFaces();

    // faces too large for a block, which have memory of their own to release
    uint32_t separatefacecount = 0;
};
