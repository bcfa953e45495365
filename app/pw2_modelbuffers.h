// The model as the device draws it: faces as fans around their centres (a triangle as it is), edges and
// points, each in static default-pool buffers made once per change of the geometry and drawn unchanged frame
// after frame, however the camera, the display mode or the projection change. While a few points move,
// only what lies at them is written again. Every vertex carries both
// colours a layer may need: faces their corner colour and their schematic colour, edges and points their
// opaque colour and their see-through colour; the pass picks one.
#pragma once

#include "qzindexbuffer.h"
#include "qzvertexbufferinternal.h"

#include <cstdint>
#include <memory>
#include <vector>

class qzDevice;
class pw2_ModelGeometry;
struct pw2_ModelPoint;

// A vertex of a face: the face's normal, the corner colour (diffuse) and the schematic colour (specular).
struct pw2_FaceVertex {
    static constexpr uint32_t FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;
    float x, y, z;
    float nx, ny, nz;
    uint32_t diffuse;
    uint32_t specular;
};
static_assert(sizeof(pw2_FaceVertex) == 32);

// A vertex of an edge or a point: the opaque colour (diffuse) and the see-through colour (specular).
struct pw2_LineVertex {
    static constexpr uint32_t FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR;
    float x, y, z;
    uint32_t diffuse;
    uint32_t specular;
};
static_assert(sizeof(pw2_LineVertex) == 20);

class pw2_ModelBuffers {
public:
    // Vertices per buffer at the most (unless one face needs more), so that no single buffer grows past what
    // a device gives at once.
    static constexpr uint32_t CHUNKVERTICES = 1u << 20;

    explicit pw2_ModelBuffers(uint32_t chunkvertices = CHUNKVERTICES) : chunkvertices(chunkvertices) {}

    // Makes the buffers again when the geometry or its revision changed or a device reset took them. A
    // device that cannot hold the model leaves nothing to draw; that is logged once per model. When only
    // movingrevision changed, the points in moving went elsewhere: their vertices, and those of their edges
    // and faces, are written again in place (or everything is made again when many moved).
    void Update(qzDevice& device, const pw2_ModelGeometry* geometry, uint64_t revision,
                const std::vector<pw2_ModelPoint*>& moving = {}, uint64_t movingrevision = 0);
    // Each draws with the states its pass set.
    void DrawFaces();
    void DrawEdges();
    void DrawPoints();

private:
    struct Chunk {
        qzVertexBufferInternal vertices;
        qzIndexBuffer indices;
        uint32_t vertexcount = 0;
        uint32_t indexcount = 0;
        // of an edge chunk: the number in the point list of the point of each vertex
        std::vector<uint32_t> ordinals;
    };
    // False when too many points moved for writing them one by one to pay.
    bool Patch(const pw2_ModelGeometry& geometry, const std::vector<pw2_ModelPoint*>& moving);
    void Build(qzDevice& device, const pw2_ModelGeometry& geometry);
    void BuildFaces(qzDevice& device, const pw2_ModelGeometry& geometry);
    void BuildEdges(qzDevice& device, const pw2_ModelGeometry& geometry);
    void BuildPoints(qzDevice& device, const pw2_ModelGeometry& geometry);
    bool Complete() const;
    void Release();

    uint32_t chunkvertices;
    std::vector<std::unique_ptr<Chunk>> faces, edges, points;
    const pw2_ModelGeometry* builtgeometry = nullptr;
    uint64_t builtrevision = 0;
    uint64_t builtmovingrevision = 0;
    bool built = false;
    bool toolarge = false;
};
