// A native index buffer behind the engine's interface.
#pragma once

#include "qzd3d9native.h"

class qzD3D9IndexBuffer : public qzRenderIndexBuffer {
public:
    // Takes over the one reference the creator handed out.
    explicit qzD3D9IndexBuffer(native::IDirect3DIndexBuffer9* buffer) : buffer(buffer) {}

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    HRESULT Unlock() override;

    native::IDirect3DIndexBuffer9* const buffer;

private:
    ~qzD3D9IndexBuffer() override;
    uint32_t references = 1;
};
