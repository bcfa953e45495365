// A vertex buffer: Direct3D's interface over the buffer logic that it shares with the index buffers.
#pragma once

#include "qzglbuffer.h"
#include "qzrenderapi.h"

class qzGLDevice;

class qzGLVertexBuffer final : public qzRenderVertexBuffer, public qzGLBuffer {
public:
    qzGLVertexBuffer(qzGLDevice* device, uint32_t length, uint32_t usage, D3DPOOL pool);

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override {
        return qzGLBuffer::Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return qzGLBuffer::Unlock(); }

private:
    ~qzGLVertexBuffer() override;

    uint32_t references = 1;
};
