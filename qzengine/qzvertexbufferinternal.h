// One Direct3D vertex buffer, a member of its device's buffer list so that the device can destroy it before a
// reset (unless it is managed).
#pragma once

#include "qzobjectlist.h"
#include "qzrenderapi.h"

#include <cstdint>

class qzDevice;
class qzIndexBuffer;

// The lock types are Direct3D's lock flags.
constexpr uint32_t QZLOCKTYPE_NORMAL = 0;
constexpr uint32_t QZLOCKTYPE_NOOVERWRITE = D3DLOCK_NOOVERWRITE;
constexpr uint32_t QZLOCKTYPE_DISCARD = D3DLOCK_DISCARD;

class qzVertexBufferInternal : public qzObjectNode<qzVertexBufferInternal> {
public:
    qzVertexBufferInternal() = default;
    ~qzVertexBufferInternal();

    void Create(qzDevice* device, uint32_t vertexcount, uint32_t format, uint32_t stride, bool managed,
                bool dynamic, bool writeonly);
    void Destroy();
    bool Exists() const { return device != nullptr; }

    // Locks count vertices from first (0 and 0: the whole buffer) and returns their address.
    uint8_t* _Lock(uint32_t locktype, uint32_t first, uint32_t count);
    void Unlock();
    bool IsLocked() const { return data != nullptr; }
    // Draws count vertices from first as primitives of the type; a count too small for one primitive draws
    // nothing.
    void Draw(uint32_t type, uint32_t first, uint32_t count, uint32_t format, uint32_t stride);
    // Draws indexcount indices from firstindex, each naming one of the first vertexcount vertices, as
    // primitives of the type; too few indices for one primitive draw nothing.
    void DrawIndexed(uint32_t type, const qzIndexBuffer& indices, uint32_t firstindex, uint32_t indexcount,
                     uint32_t vertexcount, uint32_t format, uint32_t stride);

    // The number of primitives that count vertices of the type make.
    static uint32_t PrimitiveCount(uint32_t type, uint32_t count);

    qzDevice* device = nullptr;
    qzRenderVertexBuffer* buffer = nullptr;
    uint32_t format = 0;
    uint32_t stride = 0;
    bool managed = false;
    uint8_t* data = nullptr;
};
