// The batching vertex queues: vertices of one primitive type collect in one large dynamic buffer and go out
// in one draw call when the type changes, when the buffer is full, or when the caller flushes. List
// primitives of one type merge into one call; every strip and fan is a call of its own. The buffer is
// appended to under no-overwrite locks and discarded only when it is full or less than 1/64 of it is left.
#pragma once

#include "qzobjectlist.h"
#include "qzvertexbufferinternal.h"

#include <cstdint>
#include <exception>
#include <type_traits>

class qzDevice;

// A screen-space vertex: x and y in pixels of the render target, pixel centres at integer coordinates.
struct qzVertex2D {
    static constexpr uint32_t FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
    float x, y, z, rhw;
    uint32_t diffuse;
    uint32_t specular;
    float u, v;
};
static_assert(sizeof(qzVertex2D) == 32 && qzVertex2D::FVF == 0x1C4);

// A world-space vertex with its normal.
struct qzVertex3D {
    static constexpr uint32_t FVF =
        D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;
    float x, y, z;
    float nx, ny, nz;
    uint32_t diffuse;
    uint32_t specular;
    float u, v;
};
static_assert(sizeof(qzVertex3D) == 40 && qzVertex3D::FVF == 0x1D2);

// More vertices in one Enqueue than the queue holds.
class bad_vertex_enqueue : public std::exception {
public:
    const char* what() const noexcept override { return "Bad vertex enqueue"; }
};

class qzVertexQueueBase : public qzObjectNode<qzVertexQueueBase> {
public:
    qzVertexQueueBase(const qzVertexQueueBase&) = delete;
    qzVertexQueueBase& operator=(const qzVertexQueueBase&) = delete;

    // Draws the pending batch.
    void Flush();
    // Drops the pending vertices without drawing them and unlocks the buffer.
    void Reset();
    bool Exists() const { return vbi.device != nullptr; }

    qzVertexBufferInternal vbi;
    uint32_t capacity = 0;
    int32_t type = -1;
    uint32_t start = 0;
    uint32_t count = 0;

protected:
    qzVertexQueueBase(uint32_t format, uint32_t stride) : format(format), stride(stride) {}
    ~qzVertexQueueBase() = default;

    void CreateBuffer(qzDevice* device, uint32_t capacity);
    void* EnqueueVertices(uint32_t type, uint32_t n);
    void EnqueueVertexArray(uint32_t type, const void* vertices, uint32_t n);

private:
    // Flushes the pending batch and opens a new one of the type, appended behind what was drawn unless
    // less than 1/64 of the buffer is left.
    void OpenBatch(uint32_t type);
    // Flushes and starts the buffer afresh; the type stays.
    void DiscardBuffer(uint32_t type);
    void ReleaseEmptyLock();

    uint32_t format;
    uint32_t stride;
};

template <class Vertex> class qzVertexQueue : public qzVertexQueueBase {
public:
    qzVertexQueue() : qzVertexQueueBase(Vertex::FVF, sizeof(Vertex)) {}

    // A dynamic, write-only buffer of capacity vertices in the default pool.
    void Create(qzDevice* device, uint32_t vertexcapacity) { CreateBuffer(device, vertexcapacity); }
    void Destroy() {
        if (vbi.device != nullptr)
            vbi.Destroy();
        type = -1;
        count = 0;
    }
    // n vertices to be written in place, or null for n = 0; throws bad_vertex_enqueue beyond the capacity.
    Vertex* Enqueue(uint32_t primitivetype, uint32_t n) {
        return static_cast<Vertex*>(EnqueueVertices(primitivetype, n));
    }
    // Copies n ready vertices, split over as many refills of the buffer as they need.
    void EnqueueArray(uint32_t primitivetype, const Vertex* vertices,
                      uint32_t n) requires std::is_same_v<Vertex, qzVertex2D> {
        EnqueueVertexArray(primitivetype, vertices, n);
    }
};

using qzVertexQueue2D = qzVertexQueue<qzVertex2D>;
using qzVertexQueue3D = qzVertexQueue<qzVertex3D>;
