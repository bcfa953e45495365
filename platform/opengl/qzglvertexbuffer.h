// A vertex buffer as a GL buffer object. Dynamic buffers map straight into the driver's memory; managed
// ones keep a copy of their bytes, from which they are built again after the context is lost.
#pragma once

#include "qzrenderapi.h"

#include <vector>

class qzGLDevice;

class qzGLVertexBuffer : public qzRenderVertexBuffer {
public:
    qzGLVertexBuffer(qzGLDevice* device, uint32_t length, uint32_t usage, D3DPOOL pool);

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    HRESULT Unlock() override;

    // Makes the GL object (again, from the copy of a managed buffer); false when the driver refuses.
    bool Realize();
    // The GL object is gone with its context.
    void Abandon() { name = 0; }

    qzGLDevice* device;
    uint32_t length;
    uint32_t usage;
    D3DPOOL pool;
    unsigned name = 0;
    qzGLVertexBuffer* next = nullptr;

private:
    ~qzGLVertexBuffer();

    uint32_t references = 1;
    std::vector<uint8_t> copy; // the bytes of a managed buffer; a scratch area of a lost default one
    bool locked = false;
    bool mapped = false;
    uint32_t lockoffset = 0, locksize = 0;
};
