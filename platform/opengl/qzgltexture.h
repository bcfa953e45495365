// A texture: a GL texture with a copy of level 0 when managed, a framebuffer object (with its own depth
// buffer when the device has one) when it is a render target, or plain memory in the system pool. Rows are
// kept top row first everywhere, as Direct3D keeps them.
#pragma once

#include "qzrenderapi.h"

#include <vector>

class qzGLDevice;
class qzGLTexture;

// Level 0 of a texture, or the back buffer. A texture's surface shares the texture's reference count.
class qzGLSurface : public qzRenderSurface {
public:
    uint32_t AddRef() override;
    uint32_t Release() override;

    qzGLTexture* texture = nullptr; // null for the back buffer
    uint32_t references = 0;        // the back buffer's own count
};

class qzGLTexture : public qzRenderTexture {
public:
    qzGLTexture(qzGLDevice* device, uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                D3DPOOL pool);

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;
    HRESULT LockRect(uint32_t level, D3DLOCKED_RECT* locked, const qzRect* rect, uint32_t flags) override;
    HRESULT UnlockRect(uint32_t level) override;
    HRESULT GetSurfaceLevel(uint32_t level, qzRenderSurface** surface) override;

    // Makes the GL objects (again, from the copy of a managed texture); false when the driver refuses.
    bool Realize();
    // The GL objects are gone with their context.
    void Abandon() { name = framebuffer = depth = 0; }
    // Before sampling: the chain of a render target follows what was drawn into level 0.
    void UpdateMipmaps();

    qzGLDevice* device;
    uint32_t width, height, levels, usage;
    D3DPOOL pool;
    unsigned name = 0, framebuffer = 0, depth = 0;
    bool mipmapsstale = false;
    std::vector<uint8_t> memory; // level 0 of managed and system-memory textures
    qzGLSurface surface;
    qzGLTexture* next = nullptr;

private:
    ~qzGLTexture();

    uint32_t references = 1;
    bool locked = false;
};
