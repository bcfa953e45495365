// A native Direct3D 9 device behind the engine's interface. Every call is the real one on the native
// device, with the engine's structures handed over as they are and the result passed through: the render,
// texture-stage and sampler states, transforms, material and lights, viewport and scissor, the back buffer,
// render-target textures and their reading back, buffers in every pool, and the real TestCooperativeLevel
// and Reset. On top, the device counts its draws and presents for the api, and plays a lost device when the
// api asks (Direct3D 9 cannot lose a windowed device on demand).
// Not carried, as the interface has no room for them: Clear and Present rectangles, user-pointer draws,
// vertex declarations, shaders, and the states the engine never names.
#pragma once

#include "qzd3d9native.h"

class qzD3D9RenderApi;

class qzD3D9Device : public qzRenderDevice {
public:
    // Takes over the one reference CreateDevice handed out.
    qzD3D9Device(qzD3D9RenderApi* api, native::IDirect3DDevice9* device);

    uint32_t AddRef() override { return ++references; }
    uint32_t Release() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT Present() override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(uint32_t flags, uint32_t color, float z, uint32_t stencil) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) override;
    HRESULT SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT SetScissorRect(const qzRect* rect) override;
    HRESULT GetBackBuffer(uint32_t swapchain, uint32_t index, D3DBACKBUFFER_TYPE type,
                          qzRenderSurface** surface) override;
    HRESULT SetRenderTarget(uint32_t index, qzRenderSurface* surface) override;
    HRESULT GetRenderTargetData(qzRenderSurface* rendertarget, qzRenderSurface* destination) override;
    HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool,
                               qzRenderVertexBuffer** buffer) override;
    HRESULT SetStreamSource(uint32_t stream, qzRenderVertexBuffer* buffer, uint32_t offset,
                            uint32_t stride) override;
    HRESULT SetFVF(uint32_t fvf) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startvertex, uint32_t primitivecount) override;
    HRESULT CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                              qzRenderIndexBuffer** buffer) override;
    HRESULT SetIndices(qzRenderIndexBuffer* buffer) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t basevertexindex, uint32_t minvertexindex,
                                 uint32_t numvertices, uint32_t startindex, uint32_t primitivecount) override;
    HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                          D3DPOOL pool, qzRenderTexture** texture) override;
    HRESULT SetTexture(uint32_t stage, qzRenderTexture* texture) override;
    HRESULT SetLight(uint32_t index, const D3DLIGHT9* light) override;
    HRESULT LightEnable(uint32_t index, bool enable) override;

    // From now on the device answers lost once, then resettable, until a Reset succeeds.
    void Lose() { played = Played::Lost; }

    qzD3D9Device* next = nullptr;

private:
    ~qzD3D9Device() override;
    void CountDraw(D3DPRIMITIVETYPE type, uint32_t primitivecount);

    enum class Played { None, Lost, NotReset };
    qzD3D9RenderApi* api;
    native::IDirect3DDevice9* const device;
    uint32_t references = 1;
    Played played = Played::None;
};
