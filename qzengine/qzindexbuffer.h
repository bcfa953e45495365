// One Direct3D index buffer of 32-bit indices, a member of its device's index-buffer list so that the device
// can destroy it before a reset (unless it is managed).
#pragma once

#include "qzobjectlist.h"
#include "qzrenderapi.h"
#include "qzvertexbufferinternal.h"

#include <cstdint>

class qzDevice;

class qzIndexBuffer : public qzObjectNode<qzIndexBuffer> {
public:
    qzIndexBuffer() = default;
    ~qzIndexBuffer();

    void Create(qzDevice* device, uint32_t indexcount, bool managed, bool dynamic, bool writeonly);
    void Destroy();
    bool Exists() const { return device != nullptr; }

    // Locks count indices from first (0 and 0: the whole buffer) with a lock type of the vertex buffers and
    // returns their address.
    uint32_t* Lock(uint32_t locktype, uint32_t first, uint32_t count);
    void Unlock();
    bool IsLocked() const { return data != nullptr; }

    qzDevice* device = nullptr;
    qzRenderIndexBuffer* buffer = nullptr;
    bool managed = false;
    uint32_t* data = nullptr;
};
