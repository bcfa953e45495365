#include "pw2_modelbuffers.h"

#include "pw2_graphicscontroller.h"
#include "pw2_modelgeometry.h"
#include "pw2_pointindex.h"
#include "qzdebugoutput.h"
#include "qzexceptions.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

const qzColor SCHEMATIC(120, 160, 220), SCHEMATICSELECTED(200, 100, 200);
const qzColor BLACK(0, 0, 0), YELLOW(255, 255, 0);

// The see-through colours: black at alpha 80 for edges and 120 for points, yellow at 100 and 140.
qzColor SeeThrough(bool selected, uint8_t unselectedalpha, uint8_t selectedalpha) {
    return pw2_Premultiplied(selected ? qzColor(255, 255, 0, selectedalpha)
                                      : qzColor(0, 0, 0, unselectedalpha));
}

pw2_FaceVertex FaceVertex(const qzVector3& p, const qzVector3& normal, qzColor color, qzColor schematic) {
    return {float(p.x),      float(p.y),      float(p.z),      float(normal.x),
            float(normal.y), float(normal.z), color.GetARGB(), schematic.GetARGB()};
}

pw2_LineVertex LineVertex(const qzVector3& p, bool selected, uint8_t unselectedalpha, uint8_t selectedalpha) {
    return {float(p.x), float(p.y), float(p.z), (selected ? YELLOW : BLACK).GetARGB(),
            SeeThrough(selected, unselectedalpha, selectedalpha).GetARGB()};
}

uint32_t FaceVertexCount(const pw2_ModelFace* face) {
    return face->vertexcount == 3 ? 3 : face->vertexcount + 1;
}

// Writes a face's vertices and the indices of its triangles (first is the index of its first vertex):
// a triangle as it is, any other face as the fan of its sides around the mean of its corners.
void WriteFace(const pw2_ModelFace* face, pw2_FaceVertex* v, uint32_t* index, uint32_t first) {
    const uint32_t n = face->vertexcount;
    for (uint32_t i = 0; i < n; ++i) {
        const pw2_ModelVertex& corner = face->vertices[i];
        v[i] = FaceVertex(corner.point->position, face->normal, corner.color,
                          corner.selected ? SCHEMATICSELECTED : SCHEMATIC);
    }
    if (n == 3) {
        index[0] = first, index[1] = first + 1, index[2] = first + 2;
        return;
    }
    qzVector3 centre;
    uint32_t sums[4] = {}, selectedcorners = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const pw2_ModelVertex& corner = face->vertices[i];
        centre += corner.point->position;
        sums[0] += corner.color.r, sums[1] += corner.color.g, sums[2] += corner.color.b,
            sums[3] += corner.color.a;
        selectedcorners += corner.selected ? 1 : 0;
    }
    auto mean = [n](uint32_t sum) { return static_cast<uint8_t>((sum + n / 2) / n); };
    v[n] = FaceVertex(centre * (1.0 / n), face->normal,
                      qzColor(mean(sums[0]), mean(sums[1]), mean(sums[2]), mean(sums[3])),
                      pw2_Lerp(SCHEMATIC, SCHEMATICSELECTED, static_cast<double>(selectedcorners) / n));
    for (uint32_t i = 0; i < n; ++i) {
        index[3 * i] = first + n;
        index[3 * i + 1] = first + i;
        index[3 * i + 2] = first + (i + 1) % n;
    }
}

} // namespace

void pw2_ModelBuffers::Update(qzDevice& device, const pw2_ModelGeometry* geometry, uint64_t revision,
                              const std::vector<pw2_ModelPoint*>& moving, uint64_t movingrevision) {
    const bool samemodel = geometry == builtgeometry && revision == builtrevision;
    const bool moved = movingrevision != builtmovingrevision;
    builtmovingrevision = movingrevision;
    if (samemodel && toolarge)
        return;
    if (samemodel && built && Complete()) {
        if (!moved)
            return;
        // a lock that fails halfway leaves the buffers to be made again whole
        try {
            if (Patch(*geometry, moving))
                return;
        } catch (const qzD3DException&) {
        }
    }
    Release();
    builtgeometry = geometry;
    builtrevision = revision;
    if (geometry == nullptr)
        return;
    try {
        Build(device, *geometry);
        built = true;
    } catch (const qzD3DException&) {
        Release();
        if (!samemodel)
            qzOutputDebugString(
                "[pw2_GraphicsController] The model does not fit the device: it is not drawn.\n");
        toolarge = true;
    }
}

// A device reset destroys default-pool buffers; their chunks stay behind empty.
bool pw2_ModelBuffers::Complete() const {
    for (const auto* list : {&faces, &edges, &points})
        for (const std::unique_ptr<Chunk>& chunk : *list)
            if (!chunk->vertices.Exists())
                return false;
    return true;
}

void pw2_ModelBuffers::Release() {
    faces.clear();
    edges.clear();
    points.clear();
    built = false;
    toolarge = false;
}

void pw2_ModelBuffers::Build(qzDevice& device, const pw2_ModelGeometry& geometry) {
    BuildFaces(device, geometry);
    BuildEdges(device, geometry);
    BuildPoints(device, geometry);
}

void pw2_ModelBuffers::BuildFaces(qzDevice& device, const pw2_ModelGeometry& geometry) {
    const pw2_ModelFace* face = geometry.firstface;
    while (face != nullptr) {
        // the faces of one chunk, counted first so that its buffers are made at their size at once
        const pw2_ModelFace* first = face;
        uint32_t vertexcount = 0, indexcount = 0;
        for (; face != nullptr; face = face->next) {
            if (face == geometry.connecting_face)
                continue;
            const uint32_t needed = FaceVertexCount(face);
            if (vertexcount > 0 && vertexcount + needed > chunkvertices)
                break;
            vertexcount += needed;
            indexcount += 3 * (needed == 3 ? 1 : face->vertexcount);
        }
        if (vertexcount == 0)
            break;
        auto chunk = std::make_unique<Chunk>();
        chunk->vertices.Create(&device, vertexcount, pw2_FaceVertex::FVF, sizeof(pw2_FaceVertex), false,
                               false, true);
        chunk->indices.Create(&device, indexcount, false, false, true);
        chunk->vertexcount = vertexcount;
        chunk->indexcount = indexcount;
        auto* v = reinterpret_cast<pw2_FaceVertex*>(chunk->vertices._Lock(QZLOCKTYPE_NORMAL, 0, 0));
        uint32_t* index = chunk->indices.Lock(QZLOCKTYPE_NORMAL, 0, 0);
        uint32_t written = 0;
        for (const pw2_ModelFace* f = first; f != face; f = f->next) {
            if (f == geometry.connecting_face)
                continue;
            WriteFace(f, v + written, index, written);
            index += 3 * (f->vertexcount == 3 ? 1 : f->vertexcount);
            written += FaceVertexCount(f);
        }
        chunk->indices.Unlock();
        chunk->vertices.Unlock();
        faces.push_back(std::move(chunk));
    }
}

// Edges share the vertices of their ends, one per point in each chunk, so that the device shades a point
// once for all its edges. A vertex takes the colours of the first end that brings the point into the chunk;
// every end at a point carries the point's selection.
void pw2_ModelBuffers::BuildEdges(qzDevice& device, const pw2_ModelGeometry& geometry) {
    constexpr uint32_t NONE = UINT32_MAX;
    pw2_PointIndex ordinals(geometry.pointcount);
    uint32_t pointcount = 0;
    for (const pw2_ModelPoint* point = geometry.firstpoint; point != nullptr; point = point->next)
        ordinals.Insert(point, pointcount++);
    // each point's vertex in the chunk being built
    std::vector<uint32_t> local(pointcount, NONE), used;
    std::vector<pw2_LineVertex> vertices;
    std::vector<uint32_t> indices;
    const pw2_ModelEdge* edge = geometry.firstedge;
    for (uint32_t left = geometry.edgecount; left > 0 && edge != nullptr;) {
        const uint32_t count = std::min(left, std::max(chunkvertices / 2, 1u));
        vertices.clear();
        indices.clear();
        for (uint32_t i = 0; i < count && edge != nullptr; ++i, edge = edge->next)
            for (const pw2_ModelEdgeEnd& end : edge->ends) {
                const uint32_t ordinal = ordinals.Find(end.point);
                if (local[ordinal] == NONE) {
                    local[ordinal] = static_cast<uint32_t>(vertices.size());
                    used.push_back(ordinal);
                    vertices.push_back(LineVertex(end.point->position, end.selected, 80, 100));
                }
                indices.push_back(local[ordinal]);
            }
        for (uint32_t ordinal : used)
            local[ordinal] = NONE;
        auto chunk = std::make_unique<Chunk>();
        chunk->ordinals.swap(used);
        chunk->vertexcount = static_cast<uint32_t>(vertices.size());
        chunk->indexcount = static_cast<uint32_t>(indices.size());
        chunk->vertices.Create(&device, chunk->vertexcount, pw2_LineVertex::FVF, sizeof(pw2_LineVertex),
                               false, false, true);
        chunk->indices.Create(&device, chunk->indexcount, false, false, true);
        std::copy(vertices.begin(), vertices.end(),
                  reinterpret_cast<pw2_LineVertex*>(chunk->vertices._Lock(QZLOCKTYPE_NORMAL, 0, 0)));
        chunk->vertices.Unlock();
        std::copy(indices.begin(), indices.end(), chunk->indices.Lock(QZLOCKTYPE_NORMAL, 0, 0));
        chunk->indices.Unlock();
        edges.push_back(std::move(chunk));
        left -= count;
    }
}

void pw2_ModelBuffers::BuildPoints(qzDevice& device, const pw2_ModelGeometry& geometry) {
    const pw2_ModelPoint* point = geometry.firstpoint;
    for (uint32_t left = geometry.pointcount; left > 0 && point != nullptr;) {
        const uint32_t count = std::min(left, chunkvertices);
        auto chunk = std::make_unique<Chunk>();
        chunk->vertices.Create(&device, count, pw2_LineVertex::FVF, sizeof(pw2_LineVertex), false, false,
                               true);
        chunk->vertexcount = count;
        auto* v = reinterpret_cast<pw2_LineVertex*>(chunk->vertices._Lock(QZLOCKTYPE_NORMAL, 0, 0));
        for (uint32_t i = 0; i < count; ++i, point = point->next)
            *v++ = LineVertex(point->position, point->selected, 120, 140);
        chunk->vertices.Unlock();
        points.push_back(std::move(chunk));
        left -= count;
    }
}

// Each vertex is written where the build put it, from the same records, so that what is drawn is what a
// build would make: the points by their number in the list, the edges' vertices by the numbers their chunks
// keep, the faces at the moved points (their corners, centres and normals) by walking the faces once with the
// vertex counts of the chunks.
bool pw2_ModelBuffers::Patch(const pw2_ModelGeometry& geometry, const std::vector<pw2_ModelPoint*>& moving) {
    if (moving.empty() || moving.size() > geometry.pointcount / 8)
        return false;
    const std::unordered_set<const pw2_ModelPoint*> movingset(moving.begin(), moving.end());
    std::vector<bool> movedordinal(geometry.pointcount);
    std::unordered_map<uint32_t, const pw2_ModelPoint*> byordinal;
    uint32_t ordinal = 0;
    for (const pw2_ModelPoint* point = geometry.firstpoint; point != nullptr;
         point = point->next, ++ordinal) {
        if (movingset.count(point) == 0)
            continue;
        movedordinal[ordinal] = true;
        byordinal.emplace(ordinal, point);
        Chunk& chunk = *points[ordinal / chunkvertices];
        *reinterpret_cast<pw2_LineVertex*>(
            chunk.vertices._Lock(QZLOCKTYPE_NORMAL, ordinal % chunkvertices, 1)) =
            LineVertex(point->position, point->selected, 120, 140);
        chunk.vertices.Unlock();
    }
    for (const std::unique_ptr<Chunk>& chunk : edges)
        for (uint32_t local = 0; local < chunk->ordinals.size(); ++local)
            if (movedordinal[chunk->ordinals[local]]) {
                const pw2_ModelPoint* point = byordinal.at(chunk->ordinals[local]);
                *reinterpret_cast<pw2_LineVertex*>(chunk->vertices._Lock(QZLOCKTYPE_NORMAL, local, 1)) =
                    LineVertex(point->position, point->selected, 80, 100);
                chunk->vertices.Unlock();
            }
    std::unordered_set<const pw2_ModelFace*> touched;
    for (const pw2_ModelPoint* point : moving)
        for (const pw2_ModelVertex* corner = point->firstvertex; corner != nullptr;
             corner = corner->pointnext)
            touched.insert(corner->face);
    std::vector<pw2_FaceVertex> written;
    std::vector<uint32_t> scratch;
    size_t c = 0;
    uint32_t first = 0;
    for (const pw2_ModelFace* face = geometry.firstface; face != nullptr && !touched.empty();
         face = face->next) {
        if (face == geometry.connecting_face)
            continue;
        const uint32_t count = FaceVertexCount(face);
        // the build began the next chunk with the face that did not fit what the chunk holds
        if (first + count > faces[c]->vertexcount) {
            ++c;
            first = 0;
        }
        if (touched.erase(face) > 0) {
            written.resize(count);
            scratch.resize(3 * face->vertexcount);
            WriteFace(face, written.data(), scratch.data(), first);
            std::copy(
                written.begin(), written.end(),
                reinterpret_cast<pw2_FaceVertex*>(faces[c]->vertices._Lock(QZLOCKTYPE_NORMAL, first, count)));
            faces[c]->vertices.Unlock();
        }
        first += count;
    }
    return true;
}

void pw2_ModelBuffers::DrawFaces() {
    for (const std::unique_ptr<Chunk>& chunk : faces)
        chunk->vertices.DrawIndexed(D3DPT_TRIANGLELIST, chunk->indices, 0, chunk->indexcount,
                                    chunk->vertexcount, pw2_FaceVertex::FVF, sizeof(pw2_FaceVertex));
}

void pw2_ModelBuffers::DrawEdges() {
    for (const std::unique_ptr<Chunk>& chunk : edges)
        chunk->vertices.DrawIndexed(D3DPT_LINELIST, chunk->indices, 0, chunk->indexcount, chunk->vertexcount,
                                    pw2_LineVertex::FVF, sizeof(pw2_LineVertex));
}

void pw2_ModelBuffers::DrawPoints() {
    for (const std::unique_ptr<Chunk>& chunk : points)
        chunk->vertices.Draw(D3DPT_POINTLIST, 0, chunk->vertexcount, pw2_LineVertex::FVF,
                             sizeof(pw2_LineVertex));
}
