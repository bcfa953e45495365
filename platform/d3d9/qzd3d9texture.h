// Native textures and surfaces behind the engine's interfaces. A surface wrapper holds a reference to its
// native surface, which in turn keeps its texture (or its swap chain) alive, as Direct3D does.
#pragma once

#include "qzd3d9native.h"

class qzD3D9Texture : public qzRenderTexture {
public:
    // Takes over the one reference the creator handed out.
    explicit qzD3D9Texture(native::IDirect3DTexture9* texture) : texture(texture) {}

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;
    HRESULT LockRect(uint32_t level, D3DLOCKED_RECT* locked, const qzRect* rect, uint32_t flags) override;
    HRESULT UnlockRect(uint32_t level) override;
    HRESULT GetSurfaceLevel(uint32_t level, qzRenderSurface** surface) override;

    native::IDirect3DTexture9* const texture;

private:
    ~qzD3D9Texture() override;
    uint32_t references = 1;
};

class qzD3D9Surface : public qzRenderSurface {
public:
    // Takes over the one reference the creator handed out.
    explicit qzD3D9Surface(native::IDirect3DSurface9* surface) : surface(surface) {}

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;

    native::IDirect3DSurface9* const surface;

private:
    ~qzD3D9Surface() override;
    uint32_t references = 1;
};
