#include "qzd3d9indexbuffer.h"

qzD3D9IndexBuffer::~qzD3D9IndexBuffer() {
    buffer->Release();
}

uint32_t qzD3D9IndexBuffer::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT qzD3D9IndexBuffer::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) {
    return buffer->Lock(offset, size, data, flags);
}

HRESULT qzD3D9IndexBuffer::Unlock() {
    return buffer->Unlock();
}
