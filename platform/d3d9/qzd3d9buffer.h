// A native vertex or index buffer behind the engine's interface of the same kind: both lock and unlock alike.
#pragma once

#include "qzd3d9native.h"

template <typename Interface, typename Native> class qzD3D9Buffer final : public Interface {
public:
    // Takes over the one reference the creator handed out.
    explicit qzD3D9Buffer(Native* buffer) : buffer(buffer) {}

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override {
        uint32_t left = --references;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override {
        return buffer->Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return buffer->Unlock(); }

    Native* const buffer;

private:
    ~qzD3D9Buffer() override { buffer->Release(); }
    uint32_t references = 1;
};

using qzD3D9VertexBuffer = qzD3D9Buffer<qzRenderVertexBuffer, native::IDirect3DVertexBuffer9>;
using qzD3D9IndexBuffer = qzD3D9Buffer<qzRenderIndexBuffer, native::IDirect3DIndexBuffer9>;
