// The editable polygon mesh: points, edges between two points, and polygon faces whose corners refer to
// points and to the edges between consecutive corners. Every adjacency is an intrusive list appended at the
// tail, so each question (edges at a point, corners at a point, corners along an edge) walks exactly the
// incident records. All records come from the geometry's block allocator and die with its blocks.
#pragma once

#include "qzbatchallocator.h"
#include "qzcolor.h"
#include "qzlink.h"
#include "qzobjectlist.h"
#include "qzvector.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class pw2_Model;
struct pw2_ModelEdge;
struct pw2_ModelFace;
struct pw2_ModelPoint;
struct pw2_ModelVertex;

// The edge that holds an end. An end lies inside its edge, so the edge is found from the end's place there
// instead of being kept as a link of its own.
class pw2_EndEdge {
public:
    pw2_EndEdge() = default;
    pw2_EndEdge(const pw2_EndEdge&) = delete;
    pw2_EndEdge& operator=(const pw2_EndEdge&) = delete;

    inline operator pw2_ModelEdge*() const;
    pw2_ModelEdge* operator->() const { return *this; }
};

struct pw2_ModelEdgeEnd {
    pw2_ModelEdgeEnd* GetNext() const { return next; }

    // shares its address with the end
    [[no_unique_address]] pw2_EndEdge edge;
    qzLink<pw2_ModelPoint> point;
    // links in the point's end list
    qzLink<pw2_ModelEdgeEnd> previous;
    qzLink<pw2_ModelEdgeEnd> next;
    uint8_t selected = 0;
    // 0 for the end at the first point the edge was made with, 1 for the other
    uint8_t index = 0;
};

struct pw2_ModelPoint {
    pw2_ModelEdgeEnd* GetFirstEnd() const { return firstend; }
    pw2_ModelVertex* GetFirstVertex() const { return firstvertex; }

    qzLink<pw2_ModelPoint> previous;
    qzLink<pw2_ModelPoint> next;
    qzLink<pw2_ModelEdgeEnd> firstend;
    qzLink<pw2_ModelEdgeEnd> lastend;
    qzLink<pw2_ModelVertex> firstvertex;
    qzLink<pw2_ModelVertex> lastvertex;
    // scratch link, meaningful only while points are being copied within the geometry
    qzLink<pw2_ModelPoint> copy;
    uint8_t selected = 0;
    qzVector3 position;
};

struct pw2_ModelEdge {
    pw2_ModelEdge() { ends[1].index = 1; }

    qzLink<pw2_ModelEdge> previous;
    qzLink<pw2_ModelEdge> next;
    qzLink<pw2_ModelVertex> firstvertex;
    qzLink<pw2_ModelVertex> lastvertex;
    // end 0 lies at the first point the edge was made with, end 1 at the second
    pw2_ModelEdgeEnd ends[2];
};

pw2_EndEdge::operator pw2_ModelEdge*() const {
    const auto* end = reinterpret_cast<const pw2_ModelEdgeEnd*>(this);
    const auto* ends = reinterpret_cast<const unsigned char*>(end - end->index);
    return reinterpret_cast<pw2_ModelEdge*>(const_cast<unsigned char*>(ends) - offsetof(pw2_ModelEdge, ends));
}

struct pw2_ModelVertex {
    pw2_ModelVertex* GetNextAtPoint() const { return pointnext; }

    qzLink<pw2_ModelFace> face;
    qzLink<pw2_ModelPoint> point;
    // links in the point's vertex list
    qzLink<pw2_ModelVertex> pointprevious;
    qzLink<pw2_ModelVertex> pointnext;
    // runs from this corner's point to the next corner's point
    qzLink<pw2_ModelEdge> edge;
    // links in the edge's vertex list
    qzLink<pw2_ModelVertex> edgeprevious;
    qzLink<pw2_ModelVertex> edgenext;
    uint8_t selected = 0;
    qzColor color;
};

// One allocation holds the face and, right behind it, its corners. The doubles come first so that the
// corners follow the last field without padding.
struct pw2_ModelFace {
    double area = 0;
    qzVector3 normal;
    qzLink<pw2_ModelFace> previous;
    qzLink<pw2_ModelFace> next;
    uint32_t vertexcount = 0;
    pw2_ModelVertex vertices[];
};

// What the records cost: every link is 32 bits.
static_assert(offsetof(pw2_ModelEdgeEnd, edge) == 0 && sizeof(pw2_ModelEdgeEnd) == 16);
static_assert(sizeof(pw2_ModelPoint) == 56 && sizeof(pw2_ModelEdge) == 48 && sizeof(pw2_ModelVertex) == 36);
static_assert(offsetof(pw2_ModelFace, vertices) == 44);

// One change of the links or values of a geometry, recorded while a journal is attached so that it can be
// taken back and made again. A list change names the list by the kind and the member; an unlink keeps the
// member before it, so that taking changes back newest first puts every member back where it was.
struct pw2_GeometryChange {
    enum class Kind : uint8_t { APPEND, UNLINK, POSITION, SELECTION };
    enum class List : uint8_t { POINTS, EDGES, FACES, POINTENDS, POINTCORNERS, EDGECORNERS };
    Kind kind;
    List list;
    void* record;
    // the member before, for an unlink; the other value, for a position (swapped on every replay)
    void* previous = nullptr;
    qzVector3 position;
};

// The area vector of a polygon of n corners, corner i at position(i): twice its area in length, along its
// normal by the right-hand rule of the corners. A polygon of more than three corners sums the cross products
// of its corners taken about their mean, which does not depend on where the origin lies and so keeps polygons
// far from it accurate.
template <class Position> qzVector3 pw2_AreaVector(uint32_t n, Position position) {
    if (n == 3) {
        const qzVector3& p0 = position(0);
        return (position(1) - p0).Cross(position(2) - p0);
    }
    qzVector3 mean;
    for (uint32_t i = 0; i < n; ++i)
        mean += position(i);
    mean = qzVector3(mean.x / n, mean.y / n, mean.z / n);
    qzVector3 sum;
    qzVector3 current = position(n - 1) - mean;
    for (uint32_t i = 0; i < n; ++i) {
        const qzVector3 following = position(i) - mean;
        sum += current.Cross(following);
        current = following;
    }
    return sum;
}

class pw2_ModelGeometry : public qzObjectNode<pw2_ModelGeometry> {
public:
    static constexpr uint32_t BLOCKSIZE = 4000;

    explicit pw2_ModelGeometry(pw2_Model* owner);
    pw2_ModelGeometry(const pw2_ModelGeometry&) = delete;
    pw2_ModelGeometry& operator=(const pw2_ModelGeometry&) = delete;

    pw2_ModelPoint* CreatePoint();
    pw2_ModelEdge* FindOrCreateEdge(pw2_ModelPoint* point1, pw2_ModelPoint* point2);
    // The edge between two points, whichever way round it was made; null when there is none.
    pw2_ModelEdge* FindEdge(const pw2_ModelPoint* point1, const pw2_ModelPoint* point2) const;
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
    void UpdateFaceNormal(pw2_ModelFace* face);
    // The normals of every face at the points that are still in the geometry.
    void UpdateNormalsAt(const std::vector<pw2_ModelPoint*>& points);

    // The ways an edit changes values: recorded in the journal, and a selection mirrored on the ends and
    // corners at the point.
    void SetPosition(pw2_ModelPoint* point, const qzVector3& position);
    void SetSelected(pw2_ModelPoint* point, bool selected);
    // Whether a point is in the point list, as opposed to one removed that a journal still holds.
    bool Contains(const pw2_ModelPoint* point) const {
        return point->previous != nullptr || point == firstpoint;
    }

    // Takes recorded changes back (newest first) or makes them again (oldest first); the faces at points that
    // moved get their normals again. Only valid in the order recorded: each replay expects the geometry as
    // it was when the other direction left it.
    void Undo(std::vector<pw2_GeometryChange>& changes);
    void Redo(std::vector<pw2_GeometryChange>& changes);
    // A face that a journal held removed and that can never come back: its separate block, if any, goes.
    void ReleaseRemovedFace(pw2_ModelFace* face);
    static uint64_t RecordSize(const pw2_GeometryChange& change);

    // Where the operations record their changes; none while nothing is recorded. Records removed while it
    // is attached keep their memory, so that an undo can link them again.
    std::vector<pw2_GeometryChange>* journal = nullptr;

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
    void Record(pw2_GeometryChange::Kind kind, pw2_GeometryChange::List list, void* record,
                void* previous = nullptr, const qzVector3& position = {});
    void Replay(pw2_GeometryChange& change, bool forward, std::vector<pw2_ModelPoint*>& moved);
};
