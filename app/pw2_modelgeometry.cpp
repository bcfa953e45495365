#include "pw2_modelgeometry.h"

#include "pw2_model.h"
#include "qzassert.h"

#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace {

// The links of one intrusive list kind: which two fields of the member chain it. The owner's first and last
// are links when a record owns the list and pointers when the geometry does.
template <class T, qzLink<T> T::*Previous, qzLink<T> T::*Next> struct IntrusiveList {
    template <class End> static void Append(End& first, End& last, T* member) {
        T* tail = last;
        member->*Previous = tail;
        member->*Next = nullptr;
        if (tail != nullptr)
            tail->*Next = member;
        else
            first = member;
        last = member;
    }

    template <class End> static void Unlink(End& first, End& last, T* member) {
        T* previous = member->*Previous;
        T* next = member->*Next;
        if (previous != nullptr)
            previous->*Next = next;
        else
            first = next;
        if (next != nullptr)
            next->*Previous = previous;
        else
            last = previous;
        member->*Previous = nullptr;
        member->*Next = nullptr;
    }

    // Puts a member back behind previous, or first when previous is null.
    template <class End> static void InsertAfter(End& first, End& last, T* previous, T* member) {
        T* next = previous != nullptr ? static_cast<T*>(previous->*Next) : static_cast<T*>(first);
        member->*Previous = previous;
        member->*Next = next;
        if (previous != nullptr)
            previous->*Next = member;
        else
            first = member;
        if (next != nullptr)
            next->*Previous = member;
        else
            last = member;
    }

    // A recorded change made again or taken back: linking is an append made again or an unlink taken back
    // (the member goes back behind the one it followed); unlinking is the other two.
    template <class End>
    static void Replay(End& first, End& last, T* member, void* previous, bool link, bool append) {
        if (!link)
            Unlink(first, last, member);
        else if (append)
            Append(first, last, member);
        else
            InsertAfter(first, last, static_cast<T*>(previous), member);
    }
};

using PointList = IntrusiveList<pw2_ModelPoint, &pw2_ModelPoint::previous, &pw2_ModelPoint::next>;
using EdgeList = IntrusiveList<pw2_ModelEdge, &pw2_ModelEdge::previous, &pw2_ModelEdge::next>;
using FaceList = IntrusiveList<pw2_ModelFace, &pw2_ModelFace::previous, &pw2_ModelFace::next>;
using EndList = IntrusiveList<pw2_ModelEdgeEnd, &pw2_ModelEdgeEnd::previous, &pw2_ModelEdgeEnd::next>;
using PointVertexList =
    IntrusiveList<pw2_ModelVertex, &pw2_ModelVertex::pointprevious, &pw2_ModelVertex::pointnext>;
using EdgeVertexList =
    IntrusiveList<pw2_ModelVertex, &pw2_ModelVertex::edgeprevious, &pw2_ModelVertex::edgenext>;

uint64_t FaceRecordSize(uint64_t vertexcount) {
    return offsetof(pw2_ModelFace, vertices) + vertexcount * sizeof(pw2_ModelVertex);
}

// A face larger than a block lives in a separate block of its own, the only kind of record Free releases.
bool HasSeparateBlock(const pw2_ModelFace* face) {
    return FaceRecordSize(face->vertexcount) > pw2_ModelGeometry::BLOCKSIZE;
}

} // namespace

pw2_ModelGeometry::pw2_ModelGeometry(pw2_Model* owner) : allocator(BLOCKSIZE) {
    owner->geometries.Append(this);
}

pw2_ModelPoint* pw2_ModelGeometry::CreatePoint() {
    pw2_ModelPoint* point = new (allocator.Allocate(sizeof(pw2_ModelPoint))) pw2_ModelPoint;
    PointList::Append(firstpoint, lastpoint, point);
    ++pointcount;
    Record(pw2_GeometryChange::Kind::APPEND, pw2_GeometryChange::List::POINTS, point);
    return point;
}

pw2_ModelEdge* pw2_ModelGeometry::FindEdge(const pw2_ModelPoint* point1, const pw2_ModelPoint* point2) const {
    for (pw2_ModelEdgeEnd* end = point1->firstend; end != nullptr; end = end->next) {
        pw2_ModelEdge* edge = end->edge;
        if (edge->ends[0].point == point2 || edge->ends[1].point == point2)
            return edge;
    }
    return nullptr;
}

pw2_ModelEdge* pw2_ModelGeometry::FindOrCreateEdge(pw2_ModelPoint* point1, pw2_ModelPoint* point2) {
    QZASSERT(point1 != point2, "point1!=point2");
    pw2_ModelEdge* edge = FindEdge(point1, point2);
    return edge != nullptr ? edge : CreateEdge(point1, point2);
}

pw2_ModelEdge* pw2_ModelGeometry::CreateEdge(pw2_ModelPoint* point1, pw2_ModelPoint* point2) {
    pw2_ModelEdge* edge = new (allocator.Allocate(sizeof(pw2_ModelEdge))) pw2_ModelEdge;
    EdgeList::Append(firstedge, lastedge, edge);
    Record(pw2_GeometryChange::Kind::APPEND, pw2_GeometryChange::List::EDGES, edge);
    pw2_ModelPoint* points[2] = {point1, point2};
    for (int k = 0; k < 2; ++k) {
        pw2_ModelEdgeEnd& end = edge->ends[k];
        end.point = points[k];
        // an end takes the selection of the point it lies on, so the selection stays mirrored
        end.selected = points[k]->selected;
        EndList::Append(points[k]->firstend, points[k]->lastend, &end);
        Record(pw2_GeometryChange::Kind::APPEND, pw2_GeometryChange::List::POINTENDS, &end);
    }
    ++edgecount;
    return edge;
}

pw2_ModelFace* pw2_ModelGeometry::CreateFace(uint32_t vertexcount) {
    QZASSERT(vertexcount >= 3, "vertexcount>=3");
    QZASSERT(connecting_face == nullptr, "connecting_face==NULL");
    uint64_t size = FaceRecordSize(vertexcount);
    if (size > UINT32_MAX)
        throw std::bad_alloc();
    pw2_ModelFace* face = new (allocator.Allocate(static_cast<uint32_t>(size))) pw2_ModelFace;
    face->vertexcount = vertexcount;
    for (uint32_t i = 0; i < vertexcount; ++i)
        (new (&face->vertices[i]) pw2_ModelVertex)->face = face;
    FaceList::Append(firstface, lastface, face);
    ++facecount;
    Record(pw2_GeometryChange::Kind::APPEND, pw2_GeometryChange::List::FACES, face);
    connecting_face = face;
    return face;
}

void pw2_ModelGeometry::SetVertexPoint(pw2_ModelVertex* vertex, pw2_ModelPoint* point) {
    QZASSERT(vertex->point == nullptr, "point==NULL");
    vertex->point = point;
    // a corner takes the selection of its point, so the selection stays mirrored
    vertex->selected = point->selected;
    PointVertexList::Append(point->firstvertex, point->lastvertex, vertex);
    Record(pw2_GeometryChange::Kind::APPEND, pw2_GeometryChange::List::POINTCORNERS, vertex);
}

void pw2_ModelGeometry::SetVertexEdge(pw2_ModelVertex* vertex, pw2_ModelEdge* edge) {
    QZASSERT(vertex->edge == nullptr, "edge==NULL");
    vertex->edge = edge;
    EdgeVertexList::Append(edge->firstvertex, edge->lastvertex, vertex);
    Record(pw2_GeometryChange::Kind::APPEND, pw2_GeometryChange::List::EDGECORNERS, vertex);
}

void pw2_ModelGeometry::ConnectFace() {
    QZASSERT(connecting_face != nullptr, "connecting_face!=NULL");
    pw2_ModelVertex* v = connecting_face->vertices;
    uint32_t n = connecting_face->vertexcount;
    for (uint32_t i = 0; i < n; ++i) {
        QZASSERT(v[i].point != nullptr, "connecting_face->vertices[i].point!=NULL");
        for (uint32_t j = 0; j < i; ++j)
            QZASSERT(v[i].point != v[j].point,
                     "connecting_face->vertices[i].point!=connecting_face->vertices[j].point");
    }
    for (uint32_t i = 0; i < n; ++i)
        SetVertexEdge(&v[i], FindOrCreateEdge(v[i].point, v[(i + 1) % n].point));
    connecting_face = nullptr;
}

void pw2_ModelGeometry::RemoveFace(pw2_ModelFace* face) {
    for (uint32_t i = 0; i < face->vertexcount; ++i) {
        pw2_ModelVertex* vertex = &face->vertices[i];
        if (vertex->edge != nullptr) {
            Record(pw2_GeometryChange::Kind::UNLINK, pw2_GeometryChange::List::EDGECORNERS, vertex,
                   vertex->edgeprevious);
            EdgeVertexList::Unlink(vertex->edge->firstvertex, vertex->edge->lastvertex, vertex);
        }
        if (vertex->point != nullptr) {
            Record(pw2_GeometryChange::Kind::UNLINK, pw2_GeometryChange::List::POINTCORNERS, vertex,
                   vertex->pointprevious);
            PointVertexList::Unlink(vertex->point->firstvertex, vertex->point->lastvertex, vertex);
        }
    }
    Record(pw2_GeometryChange::Kind::UNLINK, pw2_GeometryChange::List::FACES, face, face->previous);
    FaceList::Unlink(firstface, lastface, face);
    // a half-built face may go too (directly, or with one of its points); nothing may then connect it
    if (face == connecting_face)
        connecting_face = nullptr;
    if (journal == nullptr && HasSeparateBlock(face))
        allocator.Free(face);
    --facecount;
}

// Points and edges always lie inside chained blocks, so there is nothing to hand back for them one by one.
void pw2_ModelGeometry::RemoveEdge(pw2_ModelEdge* edge) {
    while (edge->lastvertex != nullptr)
        RemoveFace(edge->lastvertex->face);
    for (pw2_ModelEdgeEnd& end : edge->ends) {
        Record(pw2_GeometryChange::Kind::UNLINK, pw2_GeometryChange::List::POINTENDS, &end, end.previous);
        EndList::Unlink(end.point->firstend, end.point->lastend, &end);
    }
    Record(pw2_GeometryChange::Kind::UNLINK, pw2_GeometryChange::List::EDGES, edge, edge->previous);
    EdgeList::Unlink(firstedge, lastedge, edge);
    --edgecount;
}

void pw2_ModelGeometry::RemovePoint(pw2_ModelPoint* point) {
    while (point->lastvertex != nullptr)
        RemoveFace(point->lastvertex->face);
    while (point->lastend != nullptr)
        RemoveEdge(point->lastend->edge);
    Record(pw2_GeometryChange::Kind::UNLINK, pw2_GeometryChange::List::POINTS, point, point->previous);
    PointList::Unlink(firstpoint, lastpoint, point);
    --pointcount;
}

// Every record dies with its block, so nothing is unlinked or visited one by one.
void pw2_ModelGeometry::Clear() {
    // a journal's records would point into the blocks released here
    QZASSERT(journal == nullptr, "journal==NULL");
    connecting_face = nullptr;
    pointcount = edgecount = facecount = 0;
    firstpoint = lastpoint = nullptr;
    firstedge = lastedge = nullptr;
    firstface = lastface = nullptr;
    allocator.Reset();
}

// Links hold places in the allocator's range, so a copy of the source's blocks is already the same mesh, in
// the same orders down to every point's lists; only the geometry's own ends of its lists are translated.
pw2_ModelGeometry* pw2_ModelGeometry::CopyFrom(pw2_ModelGeometry* source) {
    // nothing to do, and the copy below would read what it writes
    if (source == this)
        return this;
    QZASSERT(journal == nullptr, "journal==NULL");
    allocator.CopyFrom(source->allocator);
    pointcount = source->pointcount;
    edgecount = source->edgecount;
    facecount = source->facecount;
    firstpoint = allocator.Translate(source->allocator, source->firstpoint);
    lastpoint = allocator.Translate(source->allocator, source->lastpoint);
    firstedge = allocator.Translate(source->allocator, source->firstedge);
    lastedge = allocator.Translate(source->allocator, source->lastedge);
    firstface = allocator.Translate(source->allocator, source->firstface);
    lastface = allocator.Translate(source->allocator, source->lastface);
    connecting_face = nullptr;
    // a face still being built in the source has corners without points and is not a face yet
    if (source->connecting_face != nullptr)
        RemoveFace(allocator.Translate(source->allocator, source->connecting_face));
    return this;
}

void pw2_ModelGeometry::UpdateFaceNormals() {
    QZASSERT(connecting_face == nullptr, "connecting_face==NULL");
    for (pw2_ModelFace* face = firstface; face != nullptr; face = face->next)
        UpdateFaceNormal(face);
}

void pw2_ModelGeometry::UpdateFaceNormal(pw2_ModelFace* face) {
    const pw2_ModelVertex* v = face->vertices;
    qzVector3 c = pw2_AreaVector(face->vertexcount,
                                 [v](uint32_t i) -> const qzVector3& { return v[i].point->position; });
    double len = std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
    if (len == 0) {
        face->area = 0;
        face->normal = qzVector3(0, 0, 0);
    } else {
        face->area = len * 0.5;
        face->normal = qzVector3(c.x / len, c.y / len, c.z / len);
    }
}

void pw2_ModelGeometry::Record(pw2_GeometryChange::Kind kind, pw2_GeometryChange::List list, void* record,
                               void* previous, const qzVector3& position) {
    if (journal != nullptr)
        journal->push_back({kind, list, record, previous, position});
}

void pw2_ModelGeometry::SetPosition(pw2_ModelPoint* point, const qzVector3& position) {
    Record(pw2_GeometryChange::Kind::POSITION, pw2_GeometryChange::List::POINTS, point, nullptr,
           point->position);
    point->position = position;
}

namespace {

void MirrorSelection(pw2_ModelPoint* point, uint8_t selected) {
    point->selected = selected;
    for (pw2_ModelEdgeEnd* end = point->firstend; end != nullptr; end = end->next)
        end->selected = selected;
    for (pw2_ModelVertex* vertex = point->firstvertex; vertex != nullptr; vertex = vertex->pointnext)
        vertex->selected = selected;
}

} // namespace

void pw2_ModelGeometry::SetSelected(pw2_ModelPoint* point, bool selected) {
    if ((point->selected != 0) == selected)
        return;
    Record(pw2_GeometryChange::Kind::SELECTION, pw2_GeometryChange::List::POINTS, point);
    MirrorSelection(point, selected ? 1 : 0);
}

void pw2_ModelGeometry::Replay(pw2_GeometryChange& change, bool forward,
                               std::vector<pw2_ModelPoint*>& moved) {
    using Kind = pw2_GeometryChange::Kind;
    using List = pw2_GeometryChange::List;
    if (change.kind == Kind::POSITION) {
        auto* point = static_cast<pw2_ModelPoint*>(change.record);
        std::swap(point->position, change.position);
        moved.push_back(point);
        return;
    }
    if (change.kind == Kind::SELECTION) {
        auto* point = static_cast<pw2_ModelPoint*>(change.record);
        MirrorSelection(point, point->selected != 0 ? 0 : 1);
        return;
    }
    // Appends made again and unlinks taken back link the member; the other two unlink it.
    const bool link = (change.kind == Kind::APPEND) == forward;
    const bool append = change.kind == Kind::APPEND;
    const auto count = [link](uint32_t& n) { n = link ? n + 1 : n - 1; };
    switch (change.list) {
    case List::POINTS:
        PointList::Replay(firstpoint, lastpoint, static_cast<pw2_ModelPoint*>(change.record), change.previous,
                          link, append);
        count(pointcount);
        break;
    case List::EDGES:
        EdgeList::Replay(firstedge, lastedge, static_cast<pw2_ModelEdge*>(change.record), change.previous,
                         link, append);
        count(edgecount);
        break;
    case List::FACES:
        FaceList::Replay(firstface, lastface, static_cast<pw2_ModelFace*>(change.record), change.previous,
                         link, append);
        count(facecount);
        break;
    case List::POINTENDS: {
        auto* end = static_cast<pw2_ModelEdgeEnd*>(change.record);
        EndList::Replay(end->point->firstend, end->point->lastend, end, change.previous, link, append);
        break;
    }
    case List::POINTCORNERS: {
        auto* vertex = static_cast<pw2_ModelVertex*>(change.record);
        PointVertexList::Replay(vertex->point->firstvertex, vertex->point->lastvertex, vertex,
                                change.previous, link, append);
        break;
    }
    case List::EDGECORNERS: {
        auto* vertex = static_cast<pw2_ModelVertex*>(change.record);
        EdgeVertexList::Replay(vertex->edge->firstvertex, vertex->edge->lastvertex, vertex, change.previous,
                               link, append);
        break;
    }
    }
}

void pw2_ModelGeometry::Undo(std::vector<pw2_GeometryChange>& changes) {
    std::vector<pw2_ModelPoint*> moved;
    for (size_t i = changes.size(); i-- > 0;)
        Replay(changes[i], false, moved);
    UpdateNormalsAt(moved);
}

void pw2_ModelGeometry::Redo(std::vector<pw2_GeometryChange>& changes) {
    std::vector<pw2_ModelPoint*> moved;
    for (pw2_GeometryChange& change : changes)
        Replay(change, true, moved);
    UpdateNormalsAt(moved);
}

void pw2_ModelGeometry::UpdateNormalsAt(const std::vector<pw2_ModelPoint*>& points) {
    for (pw2_ModelPoint* point : points)
        if (Contains(point))
            for (pw2_ModelVertex* vertex = point->firstvertex; vertex != nullptr; vertex = vertex->pointnext)
                UpdateFaceNormal(vertex->face);
}

void pw2_ModelGeometry::ReleaseRemovedFace(pw2_ModelFace* face) {
    if (HasSeparateBlock(face))
        allocator.Free(face);
}

uint64_t pw2_ModelGeometry::RecordSize(const pw2_GeometryChange& change) {
    if (change.kind != pw2_GeometryChange::Kind::APPEND && change.kind != pw2_GeometryChange::Kind::UNLINK)
        return 0;
    switch (change.list) {
    case pw2_GeometryChange::List::POINTS:
        return sizeof(pw2_ModelPoint);
    case pw2_GeometryChange::List::EDGES:
        return sizeof(pw2_ModelEdge);
    case pw2_GeometryChange::List::FACES:
        return FaceRecordSize(static_cast<const pw2_ModelFace*>(change.record)->vertexcount);
    default:
        return 0;
    }
}
