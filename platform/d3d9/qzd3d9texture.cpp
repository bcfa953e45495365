#include "qzd3d9texture.h"

qzD3D9Texture::~qzD3D9Texture() {
    texture->Release();
}

uint32_t qzD3D9Texture::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT qzD3D9Texture::LockRect(uint32_t level, D3DLOCKED_RECT* locked, const qzRect* rect, uint32_t flags) {
    return texture->LockRect(level, reinterpret_cast<native::D3DLOCKED_RECT*>(locked),
                             reinterpret_cast<const RECT*>(rect), flags);
}

HRESULT qzD3D9Texture::UnlockRect(uint32_t level) {
    return texture->UnlockRect(level);
}

HRESULT qzD3D9Texture::GetSurfaceLevel(uint32_t level, qzRenderSurface** surface) {
    if (surface == nullptr)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    native::IDirect3DSurface9* level0 = nullptr;
    HRESULT result = texture->GetSurfaceLevel(level, &level0);
    if (FAILED(result) || level0 == nullptr)
        return FAILED(result) ? result : D3DERR_INVALIDCALL;
    *surface = new qzD3D9Surface(level0);
    return result;
}

qzD3D9Surface::~qzD3D9Surface() {
    surface->Release();
}

uint32_t qzD3D9Surface::Release() {
    uint32_t left = --references;
    if (left == 0)
        delete this;
    return left;
}
