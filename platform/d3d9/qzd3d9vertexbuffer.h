// A native vertex buffer behind the engine's interface.
#pragma once

#include "qzd3d9native.h"

class qzD3D9VertexBuffer : public qzRenderVertexBuffer {
public:
    // Takes over the one reference the creator handed out.
    explicit qzD3D9VertexBuffer(native::IDirect3DVertexBuffer9* buffer) : buffer(buffer) {}

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    HRESULT Unlock() override;

    native::IDirect3DVertexBuffer9* const buffer;

private:
    ~qzD3D9VertexBuffer() override;
    uint32_t references = 1;
};
