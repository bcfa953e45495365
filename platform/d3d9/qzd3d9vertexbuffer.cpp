#include "qzd3d9vertexbuffer.h"

qzD3D9VertexBuffer::~qzD3D9VertexBuffer() {
    buffer->Release();
}

uint32_t qzD3D9VertexBuffer::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT qzD3D9VertexBuffer::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
    return buffer->Lock(offset, size, data, flags);
}

HRESULT qzD3D9VertexBuffer::Unlock() {
    return buffer->Unlock();
}
